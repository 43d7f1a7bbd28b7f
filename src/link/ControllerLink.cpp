#include "link/ControllerLink.h"

#include <algorithm>
#include <thread>

#include <QEventLoop>
#include <QVariant>

#include "link/LinkTrace.h"
#include "link/RelayColors.h"
#include "link/TickCount.h"
#include "serial/LineTrace.h"
#include "serial/TMSComm.h"

namespace {
constexpr std::size_t WorkingFrameSize = 28;
} // namespace

ControllerLink::ControllerLink(TMSComm& comm, IndicatorLookup& indicators, QObject* parent)
    : QObject(parent), comm_(comm), indicators_(indicators),
      assembler_(
          {[this](std::span<const std::uint8_t> reply, ReplyForm form) { applyReply(reply, form); },
           [](std::size_t count, DropReason why) {
               TraceLine([&] { return DropTraceText(count, why); });
           }})
{
    // Looks at the line once it may have been quiet for longer than the burst gap. Bytes found
    // waiting then came while this thread was kept from reading, how long after the last ones
    // nobody knows: they are read into the burst.
    burstEnd_.setSingleShot(true);
    burstEnd_.setTimerType(Qt::PreciseTimer);
    burstEnd_.setInterval(ReplyAssembler::BurstGapMs + 1);
    connect(&burstEnd_, &QTimer::timeout, this, [this] {
        if (comm_.InBufferCount() > 0)
            burstEnd_.start();
        else
            assembler_.LineQuiet(TickCount());
    });
}

void ControllerLink::PrepareComm()
{
    comm_.SetCommPort(1);
    comm_.SetSettings(QStringLiteral("9600,n,8,1"));
    comm_.SetInputLen(0);
    comm_.SetInBufferCount(0);
    comm_.SetSThreshold(1);
    comm_.SetRThreshold(1);
    comm_.SetInputMode(1);
}

bool ControllerLink::OpenPort(std::uint8_t port, int baud)
{
    if (port == 0 || ended_)
        return false;
    if (comm_.PortOpen())
        comm_.SetPortOpen(false);
    comm_.SetCommPort(port);
    comm_.SetSettings(QString::asprintf("%d,n,8,1", baud));
    try {
        comm_.SetPortOpen(true);
        comm_.SetDTREnable(true);
        portReady_ = true;
    } catch (const std::exception&) {
        portReady_ = false;
    }
    dropWaitingInput();
    return portReady_;
}

void ControllerLink::ClosePort()
{
    portReady_ = false;
    if (comm_.PortOpen())
        comm_.SetPortOpen(false);
    dropWaitingInput();
}

void ControllerLink::End()
{
    ClosePort();
    ended_ = true;
    emit ended();
}

void ControllerLink::ResetPort()
{
    if (!comm_.PortOpen())
        return;
    TraceLine([] { return QStringLiteral("framing error: resetting the port"); });
    comm_.SetPortOpen(false);
    comm_.SetInBufferCount(0);
    comm_.SetOutBufferCount(0);
    dropWaitingInput();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    comm_.SetPortOpen(true);
}

void ControllerLink::SendFrame(const std::uint8_t* bytes, std::uint16_t count)
{
    if (count > MaxFrameBytes || !portReady_ || ended_)
        return;
    std::array<std::uint8_t, MaxFrameBytes> buffer{};
    std::copy_n(bytes, count, buffer.begin());
    try {
        // Clearing the send buffer must not cut the tail of a frame still on its way out, and
        // only what is still stuck after that is thrown away: a flush of an empty count would
        // still discard what a pseudo-terminal's far end has not read yet.
        if (!comm_.WaitForSent(PreviousFrameDrainMs)) {
            TraceLine([] { return QStringLiteral("send queue stuck: unsent bytes discarded"); });
            comm_.SetOutBufferCount(0);
        }
        std::uint16_t written = 0;
        while (written < count) {
            comm_.SetOutput(QByteArray(1, char(buffer[written++])));
            if (comm_.OutBufferCount() >= SendBufferStop)
                break;
        }
        TraceLine([&] {
            return QStringLiteral("write %1 bytes: %2")
                .arg(written)
                .arg(LineTraceHex(
                    QByteArray(reinterpret_cast<const char*>(buffer.data()), written)));
        });
    } catch (const std::exception& error) {
        TraceLine([&] {
            return QStringLiteral("write failed: %1").arg(QString::fromUtf8(error.what()));
        });
        failWrite();
    }
}

void ControllerLink::failWrite()
{
    // Cleared before the message box runs its own event loop, so that nothing sent from
    // inside it reports the same failure a second time.
    portReady_ = false;
    if (ShowWriteError)
        ShowWriteError(QStringLiteral("<Error> Failed to write data to port !"));
    try {
        comm_.SetPortOpen(false);
    } catch (const std::exception&) {
        // The port is unusable either way; the operator reopens it from the dialog.
    }
    dropWaitingInput();
}

bool ControllerLink::PumpWait(std::int32_t ms)
{
    const std::uint32_t t0 = TickCount();
    for (;;) {
        // Once the application is told to quit, a nested loop returns at once: without this
        // the wait would spin to its deadline.
        if (ended_)
            return false;
        const std::uint32_t elapsed = TickCount() - t0;
        if (std::int64_t(elapsed) > std::int64_t(ms))
            return true;
        // Sleep in a nested loop until the deadline or the next event, instead of spinning;
        // a wait nested inside this one finishes before this one resumes.
        QEventLoop loop;
        QTimer wake;
        wake.setSingleShot(true);
        wake.setTimerType(Qt::PreciseTimer);
        connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &ControllerLink::ended, &loop, &QEventLoop::quit);
        wake.start(int(std::int64_t(ms) - std::int64_t(elapsed) + 1));
        loop.exec();
    }
}

void ControllerLink::RequestStatus(std::uint8_t address)
{
    const ControllerFrame frame = BuildStatusRequest(address);
    SendFrame(frame.data(), std::uint16_t(frame.size()));
}

void ControllerLink::SendSwitchCommand(std::uint8_t address, std::uint8_t selectBit,
                                       std::uint8_t stateBit, QObject* sender,
                                       std::span<const std::uint8_t> acceptedBits)
{
    if (sender == nullptr || !sender->inherits("TiSwitchRocker"))
        return;
    const int tag = sender->property("Tag").toInt();
    if (std::find(acceptedBits.begin(), acceptedBits.end(), tag) != acceptedBits.end()) {
        selectBit = std::uint8_t(tag);
        stateBit = std::uint8_t(tag);
    }
    const bool on = sender->property("Active").toBool();
    const ControllerFrame frame = BuildSwitchCommand(address, selectBit, on ? stateBit : 0);
    SendFrame(frame.data(), std::uint16_t(frame.size()));
}

void ControllerLink::Comm1Comm(QObject*)
{
    if (!portReady_)
        return;
    switch (comm_.CommEvent()) {
    case TMSComm::comEvReceive:
        receiveBlock();
        break;
    case TMSComm::comEventFrame:
        ResetPort();
        break;
    case TMSComm::comEventRxOver:
        TraceLine([] { return QStringLiteral("receive buffer overflow: input discarded"); });
        comm_.SetInBufferCount(0);
        dropWaitingInput();
        break;
    case TMSComm::comEventTxFull:
        TraceLine([] { return QStringLiteral("send buffer full: output discarded"); });
        comm_.SetOutBufferCount(0);
        break;
    default:
        break;
    }
}

void ControllerLink::receiveBlock()
{
    QByteArray block;
    try {
        // Wait only as long as the rest of a reply needs, never longer than the fixed delay.
        const std::size_t held = std::min(assembler_.HeldCount(), ControllerFrameLayout::Size - 1);
        comm_.WaitForInput(int(ControllerFrameLayout::Size - held), ReplyReadDelayMs);
        block = comm_.Input();
        TraceLine([&] {
            return QStringLiteral("read %1 bytes: %2").arg(block.size()).arg(LineTraceHex(block));
        });
        const auto* data = reinterpret_cast<const std::uint8_t*>(block.constData());
        assembler_.Append(std::span(data, std::size_t(block.size())), TickCount());
    } catch (const std::exception&) {
        comm_.SetInBufferCount(0);
        dropWaitingInput();
        return;
    }
    // Only bytes keep a burst open: an empty read must not put its end off.
    if (!block.isEmpty())
        burstEnd_.start();
}

void ControllerLink::dropWaitingInput()
{
    burstEnd_.stop();
    assembler_.Discard();
}

void ControllerLink::applyReply(std::span<const std::uint8_t> reply, ReplyForm form)
{
    TraceLine([&] { return ReplyTraceText(reply, form, indicators_); });
    DispatchReply(reply.data(), std::uint16_t(reply.size()));
}

void ControllerLink::DispatchReply(const std::uint8_t* bytes, std::uint16_t count)
{
    std::array<std::uint8_t, WorkingFrameSize> frame{};
    const std::size_t used = std::min<std::size_t>(count, frame.size());
    std::copy_n(bytes, used, frame.begin());
    const auto reply = RecogniseStatusReply(std::span(frame).first(used));
    if (!reply)
        return;
    const auto shapes = indicators_.ShapesOf(reply->address);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const bool on = (reply->statusMask >> i) & 1u;
        shapes[i]->SetBrushColor(RelayColor(on));
    }
}
