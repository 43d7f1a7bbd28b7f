#include "sim/BuildingBus.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace L = ControllerFrameLayout;

static QByteArray bytesOf(const ControllerFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
}

static QByteArray bytesOf(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

BuildingBus::BuildingBus(const BusConfig& config, QObject* parent)
    : QObject(parent), boards_(config.boards), shaper_(config.faults)
{
    // Coarse timers may fire early; a split gap or a reply delay must never be shorter.
    outputTimer_.setTimerType(Qt::PreciseTimer);
    outputTimer_.setSingleShot(true);
    connect(&outputTimer_, &QTimer::timeout, this, &BuildingBus::sendDuePieces);
}

BuildingBus::~BuildingBus() = default;

void BuildingBus::OpenPseudoTerminal()
{
    Close();
    start(BusPort::OpenPseudoTerminal());
}

void BuildingBus::OpenDevice(const QString& path)
{
    Close();
    start(BusPort::OpenDevice(path));
}

void BuildingBus::start(BusPort port)
{
    port_.emplace(std::move(port));
    finder_ = FrameFinder();
    clock_.start();
    lastWriteMs_ = 0;
    readNotifier_ = new QSocketNotifier(port_->Fd(), QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &BuildingBus::readLine);
}

void BuildingBus::Close()
{
    outputTimer_.stop();
    pending_.clear();
    if (readNotifier_) {
        readNotifier_->setEnabled(false);
        readNotifier_->deleteLater();
        readNotifier_ = nullptr;
    }
    port_.reset();
}

QString BuildingBus::DevicePath() const
{
    return port_ ? port_->DevicePath() : QString();
}

void BuildingBus::readLine()
{
    std::uint8_t buffer[256];
    const ssize_t count = ::read(port_->Fd(), buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (count <= 0) {
        fail(QStringLiteral("reading %1 failed: %2")
                 .arg(port_->DevicePath(), count == 0
                                               ? QStringLiteral("end of file")
                                               : QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    const qint64 atMs = ElapsedMs();
    const std::uint64_t skippedBefore = finder_.Skipped();
    const auto frames = finder_.Feed({buffer, static_cast<std::size_t>(count)});
    counters_.bytesSkipped += finder_.Skipped() - skippedBefore;
    for (const ControllerFrame& frame : frames)
        handleFrame(frame, atMs);
}

void BuildingBus::handleFrame(const ControllerFrame& frame, qint64 atMs)
{
    ++counters_.framesReceived;
    if (RelayBoards::IsBoard(frame[L::ControllerAddress])) {
        if (frame[L::Command] == ReadStatusCommand)
            ++counters_.statusRequests;
        else if (frame[L::Command] == SwitchCommand)
            ++counters_.switchCommands;
    }
    emit frameReceived(bytesOf(frame), atMs);
    if (!port_)
        return;
    const auto reply = boards_.Answer(frame);
    if (!reply)
        return;
    const ShapedReply shaped = shaper_.Shape(*reply);
    if (shaped.dropped) {
        ++counters_.repliesDropped;
        emit replyDropped(bytesOf(*reply), atMs);
        return;
    }
    if (shaped.corrupted)
        ++counters_.repliesCorrupted;
    if (pending_.size() + shaped.pieces.size() > MaxPendingPieces) {
        counters_.bytesLost += L::Size;
        return;
    }
    for (std::size_t i = 0; i < shaped.pieces.size(); ++i) {
        const ReplyPiece& piece = shaped.pieces[i];
        schedule(atMs + piece.atMs, piece.gapMs, bytesOf(piece.bytes),
                 i + 1 == shaped.pieces.size());
    }
}

void BuildingBus::InjectBytes(const QByteArray& bytes, int gapMs)
{
    if (!port_ || bytes.isEmpty())
        return;
    if (pending_.size() >= MaxPendingPieces) {
        counters_.bytesLost += static_cast<std::uint64_t>(bytes.size());
        return;
    }
    schedule(ElapsedMs(), gapMs, bytes, false);
}

// Pieces leave in the order they were scheduled: one line carries one byte at a time.
void BuildingBus::schedule(qint64 dueMs, int gapMs, QByteArray bytes, bool endsReply)
{
    if (!pending_.empty())
        dueMs = std::max(dueMs, pending_.back().dueMs);
    else if (gapMs > 0)
        dueMs = std::max(dueMs, lastWriteMs_ + gapMs);
    pending_.push_back({dueMs, gapMs, std::move(bytes), endsReply});
    if (pending_.size() == 1)
        armOutputTimer();
}

void BuildingBus::armOutputTimer()
{
    if (pending_.empty())
        return;
    outputTimer_.start(static_cast<int>(std::max<qint64>(0, pending_.front().dueMs - ElapsedMs())));
}

void BuildingBus::sendDuePieces()
{
    while (port_ && !pending_.empty() && pending_.front().dueMs <= ElapsedMs()) {
        const Piece piece = std::move(pending_.front());
        pending_.pop_front();
        writePiece(piece);
        // A gap counts from the moment the piece before it really went out.
        if (!pending_.empty() && pending_.front().gapMs > 0)
            pending_.front().dueMs =
                std::max(pending_.front().dueMs, ElapsedMs() + pending_.front().gapMs);
    }
    armOutputTimer();
}

void BuildingBus::writePiece(const Piece& piece)
{
    const ssize_t written =
        ::write(port_->Fd(), piece.bytes.constData(), static_cast<std::size_t>(piece.bytes.size()));
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
        fail(QStringLiteral("writing %1 failed: %2")
                 .arg(port_->DevicePath(), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    // A line nobody reads fills up; what does not fit is gone, as on a real wire.
    const qsizetype taken = std::max<qsizetype>(0, written);
    lastWriteMs_ = ElapsedMs();
    counters_.bytesLost += static_cast<std::uint64_t>(piece.bytes.size() - taken);
    if (taken > 0)
        emit bytesSent(piece.bytes.left(taken), ElapsedMs());
    if (piece.endsReply)
        ++counters_.repliesSent;
}

void BuildingBus::fail(const QString& message)
{
    Close();
    emit failed(message);
}
