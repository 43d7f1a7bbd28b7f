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
    : QObject(parent), m_boards(config.boards), m_shaper(config.faults)
{
    // Coarse timers may fire early; a split gap or a reply delay must never be shorter.
    m_outputTimer.setTimerType(Qt::PreciseTimer);
    m_outputTimer.setSingleShot(true);
    connect(&m_outputTimer, &QTimer::timeout, this, &BuildingBus::sendDuePieces);
}

BuildingBus::~BuildingBus() = default;

void BuildingBus::openPseudoTerminal()
{
    close();
    start(BusPort::openPseudoTerminal());
}

void BuildingBus::openDevice(const QString& path)
{
    close();
    start(BusPort::openDevice(path));
}

void BuildingBus::start(BusPort port)
{
    m_port.emplace(std::move(port));
    m_finder = FrameFinder();
    m_clock.start();
    m_lastWriteMs = 0;
    m_readNotifier = new QSocketNotifier(m_port->fd(), QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &BuildingBus::readLine);
}

void BuildingBus::close()
{
    m_outputTimer.stop();
    m_pending.clear();
    if (m_readNotifier) {
        m_readNotifier->setEnabled(false);
        m_readNotifier->deleteLater();
        m_readNotifier = nullptr;
    }
    m_port.reset();
}

QString BuildingBus::devicePath() const
{
    return m_port ? m_port->devicePath() : QString();
}

void BuildingBus::readLine()
{
    std::uint8_t buffer[256];
    const ssize_t count = ::read(m_port->fd(), buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (count <= 0) {
        fail(QStringLiteral("reading %1 failed: %2")
                 .arg(m_port->devicePath(), count == 0
                                                ? QStringLiteral("end of file")
                                                : QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    const qint64 atMs = elapsedMs();
    const std::uint64_t skippedBefore = m_finder.skipped();
    const auto frames = m_finder.feed({buffer, static_cast<std::size_t>(count)});
    m_counters.bytesSkipped += m_finder.skipped() - skippedBefore;
    for (const ControllerFrame& frame : frames)
        handleFrame(frame, atMs);
}

void BuildingBus::handleFrame(const ControllerFrame& frame, qint64 atMs)
{
    ++m_counters.framesReceived;
    if (RelayBoards::isBoard(frame[L::ControllerAddress])) {
        if (frame[L::Command] == ReadStatusCommand)
            ++m_counters.statusRequests;
        else if (frame[L::Command] == SwitchCommand)
            ++m_counters.switchCommands;
    }
    emit frameReceived(bytesOf(frame), atMs);
    if (!m_port)
        return;
    const auto reply = m_boards.answer(frame);
    if (!reply)
        return;
    const ShapedReply shaped = m_shaper.shape(*reply);
    if (shaped.dropped) {
        ++m_counters.repliesDropped;
        emit replyDropped(bytesOf(*reply), atMs);
        return;
    }
    if (shaped.corrupted)
        ++m_counters.repliesCorrupted;
    if (m_pending.size() + shaped.pieces.size() > MaxPendingPieces) {
        m_counters.bytesLost += L::Size;
        return;
    }
    for (std::size_t i = 0; i < shaped.pieces.size(); ++i) {
        const ReplyPiece& piece = shaped.pieces[i];
        schedule(atMs + piece.atMs, piece.gapMs, bytesOf(piece.bytes),
                 i + 1 == shaped.pieces.size());
    }
}

void BuildingBus::injectBytes(const QByteArray& bytes, int gapMs)
{
    if (!m_port || bytes.isEmpty())
        return;
    if (m_pending.size() >= MaxPendingPieces) {
        m_counters.bytesLost += static_cast<std::uint64_t>(bytes.size());
        return;
    }
    schedule(elapsedMs(), gapMs, bytes, false);
}

// Pieces leave in the order they were scheduled: one line carries one byte at a time.
void BuildingBus::schedule(qint64 dueMs, int gapMs, QByteArray bytes, bool endsReply)
{
    if (!m_pending.empty())
        dueMs = std::max(dueMs, m_pending.back().dueMs);
    else if (gapMs > 0)
        dueMs = std::max(dueMs, m_lastWriteMs + gapMs);
    m_pending.push_back({dueMs, gapMs, std::move(bytes), endsReply});
    if (m_pending.size() == 1)
        armOutputTimer();
}

void BuildingBus::armOutputTimer()
{
    if (m_pending.empty())
        return;
    m_outputTimer.start(
        static_cast<int>(std::max<qint64>(0, m_pending.front().dueMs - elapsedMs())));
}

void BuildingBus::sendDuePieces()
{
    while (m_port && !m_pending.empty() && m_pending.front().dueMs <= elapsedMs()) {
        const Piece piece = std::move(m_pending.front());
        m_pending.pop_front();
        writePiece(piece);
        // A gap counts from the moment the piece before it really went out.
        if (!m_pending.empty() && m_pending.front().gapMs > 0)
            m_pending.front().dueMs =
                std::max(m_pending.front().dueMs, elapsedMs() + m_pending.front().gapMs);
    }
    armOutputTimer();
}

void BuildingBus::writePiece(const Piece& piece)
{
    const ssize_t written = ::write(m_port->fd(), piece.bytes.constData(),
                                    static_cast<std::size_t>(piece.bytes.size()));
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
        fail(QStringLiteral("writing %1 failed: %2")
                 .arg(m_port->devicePath(), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    // A line nobody reads fills up; what does not fit is gone, as on a real wire.
    const qsizetype taken = std::max<qsizetype>(0, written);
    m_lastWriteMs = elapsedMs();
    m_counters.bytesLost += static_cast<std::uint64_t>(piece.bytes.size() - taken);
    if (taken > 0)
        emit bytesSent(piece.bytes.left(taken), elapsedMs());
    if (piece.endsReply)
        ++m_counters.repliesSent;
}

void BuildingBus::fail(const QString& message)
{
    close();
    emit failed(message);
}
