#include "link/ControllerLink.h"

#include <algorithm>
#include <thread>

#include <QEventLoop>
#include <QVariant>

#include "link/TickCount.h"
#include "serial/TMSComm.h"

namespace {
constexpr std::uint32_t clRed = 0x000000FF;
constexpr std::uint32_t clLime = 0x0000FF00;
constexpr std::size_t WorkingFrameSize = 28;
} // namespace

ControllerLink::ControllerLink(TMSComm& comm, IndicatorLookup& indicators, QObject* parent)
    : QObject(parent), comm_(comm), indicators_(indicators)
{
    burstEnd_.setSingleShot(true);
    burstEnd_.setInterval(BurstGapMs);
    connect(&burstEnd_, &QTimer::timeout, this, [this] { assembler_.EndBurst(dispatcher()); });
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
    assembler_.Discard();
    return portReady_;
}

void ControllerLink::ClosePort()
{
    portReady_ = false;
    if (comm_.PortOpen())
        comm_.SetPortOpen(false);
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
    comm_.SetPortOpen(false);
    comm_.SetInBufferCount(0);
    comm_.SetOutBufferCount(0);
    assembler_.Discard();
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
        if (!comm_.WaitForSent(PreviousFrameDrainMs))
            comm_.SetOutBufferCount(0);
        for (std::uint16_t i = 0; i < count; ++i) {
            comm_.SetOutput(QByteArray(1, char(buffer[i])));
            if (comm_.OutBufferCount() >= SendBufferStop)
                break;
        }
    } catch (const std::exception&) {
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
        comm_.SetInBufferCount(0);
        break;
    case TMSComm::comEventTxFull:
        comm_.SetOutBufferCount(0);
        break;
    default:
        break;
    }
}

void ControllerLink::receiveBlock()
{
    try {
        // Wait only as long as the rest of a reply needs, never longer than the fixed delay.
        const auto missing = int(ControllerFrameLayout::Size - assembler_.PendingCount());
        comm_.WaitForInput(missing, ReplyReadDelayMs);
        const QByteArray block = comm_.Input();
        const auto* data = reinterpret_cast<const std::uint8_t*>(block.constData());
        assembler_.Append(std::span(data, std::size_t(block.size())), dispatcher());
    } catch (const std::exception&) {
        assembler_.Discard();
        comm_.SetInBufferCount(0);
        return;
    }
    if (assembler_.PendingCount() > 0)
        burstEnd_.start();
    else
        burstEnd_.stop();
}

ReplyAssembler::Dispatch ControllerLink::dispatcher()
{
    return [this](std::span<const std::uint8_t> reply) {
        DispatchReply(reply.data(), std::uint16_t(reply.size()));
    };
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
        shapes[i]->SetBrushColor(on ? clRed : clLime);
    }
}
