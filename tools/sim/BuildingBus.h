#pragma once

#include "sim/BusPort.h"
#include "sim/FrameFinder.h"
#include "sim/RelayBoards.h"
#include "sim/ReplyShaper.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <optional>

class QSocketNotifier;

struct BusConfig
{
    RelayBoards boards;
    ReplyFaults faults;
};

struct BusCounters
{
    std::uint64_t framesReceived = 0;
    std::uint64_t bytesSkipped = 0; // garbage between frames
    std::uint64_t statusRequests = 0;
    std::uint64_t switchCommands = 0;
    std::uint64_t repliesSent = 0; // last piece written
    std::uint64_t repliesDropped = 0;
    std::uint64_t repliesCorrupted = 0;
    std::uint64_t bytesLost = 0; // the line would not take them, or too much was waiting
};

// The 21 boards on one line, served from the event loop of the thread that owns the bus, so a
// test can run the station and the bus side by side on one thread.
class BuildingBus : public QObject
{
    Q_OBJECT
public:
    // Pieces waiting to go out; beyond this a station flooding the line loses replies.
    static constexpr std::size_t MaxPendingPieces = 64;

    // Throws std::invalid_argument for faults out of range.
    explicit BuildingBus(const BusConfig& config, QObject* parent = nullptr);
    ~BuildingBus() override;

    // Both throw BusError; a bus already open is closed first.
    void OpenPseudoTerminal();
    void OpenDevice(const QString& path);
    void Close();

    bool IsOpen() const { return port_.has_value(); }
    // What the station opens; empty while closed.
    QString DevicePath() const;
    RelayBoards& Boards() { return boards_; }
    const RelayBoards& Boards() const { return boards_; }
    const BusCounters& Counters() const { return counters_; }
    // Milliseconds since the bus was opened: the clock of every signal below.
    qint64 ElapsedMs() const { return clock_.elapsed(); }

    // Puts bytes on the line behind whatever is waiting, untouched: replies no board would send.
    // They go out at least gapMs after the bytes before them have gone out.
    void InjectBytes(const QByteArray& bytes, int gapMs = 0);

signals:
    void frameReceived(const QByteArray& frame, qint64 atMs);
    void bytesSent(const QByteArray& bytes, qint64 atMs);
    void replyDropped(const QByteArray& reply, qint64 atMs);
    // The line broke; the bus has stopped reading.
    void failed(const QString& message);

private:
    struct Piece
    {
        qint64 dueMs = 0;
        int gapMs = 0;
        QByteArray bytes;
        bool endsReply = false;
    };

    void start(BusPort port);
    void readLine();
    void handleFrame(const ControllerFrame& frame, qint64 atMs);
    void schedule(qint64 dueMs, int gapMs, QByteArray bytes, bool endsReply);
    void sendDuePieces();
    void armOutputTimer();
    void writePiece(const Piece& piece);
    void fail(const QString& message);

    RelayBoards boards_;
    ReplyShaper shaper_;
    FrameFinder finder_;
    BusCounters counters_;
    std::optional<BusPort> port_;
    QSocketNotifier* readNotifier_ = nullptr; // a child, deleted later: it may be signalling
    QTimer outputTimer_;
    std::deque<Piece> pending_;
    qint64 lastWriteMs_ = 0;
    QElapsedTimer clock_;
};
