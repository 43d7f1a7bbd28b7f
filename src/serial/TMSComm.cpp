#include "serial/TMSComm.h"
#include "serial/TMSCommPrivate.h"

#include "serial/ComPortName.h"
#include "serial/DeviceErrors.h"
#include "serial/LineSettings.h"
#include "serial/LineTrace.h"
#include "serial/ParmrkDecoder.h"
#include "serial/RetryOnInterrupt.h"
#include "serial/TermiosSettings.h"
#include "serial/TtyDevice.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <optional>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr short MaxCommPort = 16;

short clampToShort(qsizetype n)
{
    return short(std::min<qsizetype>(n, std::numeric_limits<short>::max()));
}

[[noreturn]] void throwNotOpen()
{
    throw CommError(QStringLiteral("Operation valid only when the port is open"));
}

[[noreturn]] void throwInvalidValue(const char* property, int value)
{
    throw CommError(QStringLiteral("Invalid property value: %1 = %2")
                        .arg(QString::fromLatin1(property))
                        .arg(value));
}

} // namespace

void TMSComm::Private::open()
{
    const QString device = ComPortDevice(commPort);
    errors.SetLabel(QStringLiteral("%1 (%2)").arg(ComPortName(commPort), device));
    try {
        openDevice();
    } catch (const CommError& error) {
        TraceLine([&] { return QStringLiteral("open failed: %1").arg(error.Message()); });
        throw;
    }
    TraceLine([&] { return QStringLiteral("%1 open, %2").arg(errors.Label(), settingsText); });
}

void TMSComm::Private::openDevice()
{
    TtyOpenResult opened = OpenExclusiveTty(ComPortDevice(commPort), TtyUse::Hold);
    if (!opened.tty.fd.IsValid()) {
        switch (opened.failedStep) {
        case TtyOpenStep::Open:
            if (opened.error == EBUSY) // another open holds it in exclusive mode
                throw errors.Error(QStringLiteral("port in use by another program"), EBUSY);
            throw errors.Error(QStringLiteral("cannot open the port"), opened.error);
        case TtyOpenStep::IsTty:
            throw errors.Error(QStringLiteral("not a serial port"), opened.error);
        case TtyOpenStep::LockFile:
        case TtyOpenStep::Exclusive:
        case TtyOpenStep::Lock:
        case TtyOpenStep::OpenElsewhere:
            throw errors.Error(QStringLiteral("port in use by another program"), opened.error);
        }
    }
    held = std::move(opened.tty);
    portOpen = true;
    errors.Reset();
    ++generation;

    try {
        applySettings(settings);
        // The serial control starts every open with empty buffers.
        ::tcflush(fd(), TCIOFLUSH);
        applyDtr();
    } catch (...) {
        close();
        throw;
    }

    readNotifier = new QSocketNotifier(fd(), QSocketNotifier::Read, q);
    QObject::connect(readNotifier, &QSocketNotifier::activated, q, [this] { onReadable(); });
}

void TMSComm::Private::close()
{
    if (!isOpen())
        return;
    stopWatching();
    CloseExclusiveTty(held);
    portOpen = false;
    TraceLine([&] { return QStringLiteral("%1 closed").arg(errors.Label()); });
    errors.Reset();
    ++generation;
    received.clear();
    decoder.Reset();
    pendingErrors.clear();
    newInput = false;
    sendQueueHeld = false;
}

void TMSComm::Private::stopWatching()
{
    if (!readNotifier)
        return;
    // The notifier may be the very sender whose activation is running (an OnComm handler that
    // resets the port, a read that finds the device gone), so it is only disabled here and
    // deleted later.
    readNotifier->setEnabled(false);
    readNotifier->deleteLater();
    readNotifier = nullptr;
}

void TMSComm::Private::requireDevice() const
{
    if (errors.Lost())
        throw errors.Error(QStringLiteral("the device has hung up"), errors.LostError());
}

bool TMSComm::Private::sendQueueStillHeld() const
{
    return sendQueueHeld && (!sendQueueReleasedAt || Clock::now() < *sendQueueReleasedAt);
}

void TMSComm::Private::applySettings(const LineSettings& newSettings)
{
    requireDevice();
    termios t{};
    if (::tcgetattr(fd(), &t) < 0)
        throw errors.Error(QStringLiteral("cannot read the line settings"), errno);
    if (!ApplyLineSettings(t, newSettings))
        throw CommError(QStringLiteral("Invalid property value: baud %1").arg(newSettings.baud));
    if (RetryOnInterrupt([&] { return ::tcsetattr(fd(), TCSANOW, &t); }) < 0)
        throw errors.Error(QStringLiteral("cannot apply the line settings"), errno);
}

void TMSComm::Private::applyDtr()
{
    requireDevice();
    const int line = TIOCM_DTR;
    if (::ioctl(fd(), dtrEnable ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return;
    const int err = errno;
    // A pseudo-terminal has no modem lines; the station raises DTR all the same.
    if (err == ENOTTY || err == EINVAL)
        return;
    errors.MarkLostAndThrow(QStringLiteral("cannot set DTR"), err);
}

void TMSComm::Private::onLost(int err)
{
    TraceLine([&] {
        return QStringLiteral("%1 hung up: %2; device let go")
            .arg(errors.Label(), SystemErrorText(err));
    });
    // A hung-up device stays readable forever and would spin the loop. Its descriptor, lock
    // file and exclusive mode go at once: an adapter plugged in again then gets its old name,
    // and the dialog finds it free.
    stopWatching();
    CloseExclusiveTty(held);
}

// Reads everything the driver holds, until it has no more (EAGAIN) or the device is lost.
void TMSComm::Private::drainDriver()
{
    if (!isOpen() || errors.Lost())
        return;
    std::uint8_t chunk[1024];
    for (;;) {
        const ssize_t n = RetryOnInterrupt([&] { return ::read(fd(), chunk, sizeof chunk); });
        if (n > 0) {
            acceptRaw(std::span<const std::uint8_t>(chunk, std::size_t(n)));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // With VMIN 1 an empty line answers EAGAIN, so 0 is end of file: the far end hung up.
        errors.MarkLost(n == 0 ? EIO : errno);
        return;
    }
}

// The one path of received bytes, real or injected: decode the marks, keep what fits, note
// the events.
void TMSComm::Private::acceptRaw(std::span<const std::uint8_t> raw)
{
    const ParmrkChunk chunk = decoder.Decode(raw);
    if (chunk.errorMarks > 0)
        addPendingError(comEventFrame);
    const qsizetype room = ReceiveBufferSize - received.size();
    const qsizetype kept = std::min<qsizetype>(room, qsizetype(chunk.data.size()));
    if (kept > 0) {
        received.append(reinterpret_cast<const char*>(chunk.data.data()), kept);
        newInput = true;
    }
    if (kept < qsizetype(chunk.data.size()))
        addPendingError(comEventRxOver);
}

void TMSComm::Private::addPendingError(short code)
{
    if (std::find(pendingErrors.begin(), pendingErrors.end(), code) == pendingErrors.end())
        pendingErrors.push_back(code);
}

void TMSComm::Private::scheduleDelivery()
{
    if (deliveryScheduled || (pendingErrors.empty() && !newInput))
        return;
    deliveryScheduled = true;
    QMetaObject::invokeMethod(
        q, [this] { deliverPending(); }, Qt::QueuedConnection);
}

// Raises the noted events: errors first, then the receive event if RThreshold bytes still wait.
// Input read in the meantime (Input, InBufferCount := 0) raises no late receive event.
void TMSComm::Private::deliverPending()
{
    deliveryScheduled = false;
    const QPointer<TMSComm> alive(q);
    const unsigned session = generation;

    const std::vector<short> errors = std::exchange(pendingErrors, {});
    for (const short code : errors) {
        raise(code);
        if (!alive || generation != session)
            return; // the handler closed or reset the port: the rest belonged to that session
    }
    if (newInput) {
        newInput = false;
        if (rThreshold > 0 && received.size() >= rThreshold)
            raise(comEvReceive);
    }
}

void TMSComm::Private::raise(short code)
{
    commEvent = code;
    if (q->OnComm)
        q->OnComm(q);
}

void TMSComm::Private::onReadable()
{
    drainDriver();
    deliverPending();
}

TMSComm::TMSComm(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    d->settings = ParseSettings(d->settingsText);
}

TMSComm::~TMSComm()
{
    d->close();
}

short TMSComm::CommPort() const
{
    return d->commPort;
}

void TMSComm::SetCommPort(short port)
{
    if (port == d->commPort)
        return;
    if (port < 1 || port > MaxCommPort)
        throw CommError(QStringLiteral("Invalid port number: %1").arg(port));
    if (d->isOpen())
        throw CommError(QStringLiteral("Port already open"));
    d->commPort = port;
}

QString TMSComm::Settings() const
{
    return d->settingsText;
}

void TMSComm::SetSettings(const QString& settings)
{
    if (settings == d->settingsText)
        return;
    const LineSettings parsed = ParseSettings(settings);
    if (d->isOpen())
        d->applySettings(parsed);
    d->settingsText = settings;
    d->settings = parsed;
}

bool TMSComm::PortOpen() const
{
    return d->isOpen();
}

void TMSComm::SetPortOpen(bool open)
{
    if (!open) {
        d->close();
        return;
    }
    if (d->isOpen())
        throw CommError(QStringLiteral("Port already open"));
    d->open();
}

bool TMSComm::DTREnable() const
{
    return d->dtrEnable;
}

void TMSComm::SetDTREnable(bool enable)
{
    if (enable == d->dtrEnable)
        return;
    d->dtrEnable = enable;
    if (d->isOpen())
        d->applyDtr();
}

short TMSComm::InBufferCount()
{
    if (!d->isOpen())
        return 0;
    d->drainDriver();
    d->scheduleDelivery();
    int driverHolds = 0;
    if (!d->errors.Lost() && ::ioctl(d->fd(), FIONREAD, &driverHolds) < 0)
        driverHolds = 0;
    return clampToShort(d->received.size() + driverHolds);
}

void TMSComm::SetInBufferCount(short count)
{
    if (count != 0)
        throwInvalidValue("InBufferCount", count);
    if (!d->isOpen())
        return;
    d->received.clear();
    d->decoder.Reset();
    d->newInput = false;
    if (d->errors.Lost())
        return; // nothing left to discard on a device that is gone
    if (::tcflush(d->fd(), TCIFLUSH) < 0)
        d->errors.AbsorbLost(QStringLiteral("cannot discard the input"), errno);
}

short TMSComm::InputLen() const
{
    return d->inputLen;
}

void TMSComm::SetInputLen(short length)
{
    if (length < 0)
        throwInvalidValue("InputLen", length);
    d->inputLen = length;
}

short TMSComm::OutBufferCount()
{
    if (!d->isOpen() || d->errors.Lost())
        return 0;
    int unsent = 0;
    if (::ioctl(d->fd(), TIOCOUTQ, &unsent) < 0) {
        d->errors.AbsorbLost(QStringLiteral("cannot read the send buffer"), errno);
        return 0;
    }
    if (d->sendQueueStillHeld())
        unsent += d->heldSendQueue;
    return clampToShort(unsent);
}

void TMSComm::SetOutBufferCount(short count)
{
    if (count != 0)
        throwInvalidValue("OutBufferCount", count);
    d->heldSendQueue = 0;
    if (!d->isOpen() || d->errors.Lost())
        return;
    if (::tcflush(d->fd(), TCOFLUSH) < 0)
        d->errors.AbsorbLost(QStringLiteral("cannot discard the output"), errno);
}

short TMSComm::RThreshold() const
{
    return d->rThreshold;
}

void TMSComm::SetRThreshold(short threshold)
{
    if (threshold < 0)
        throwInvalidValue("RThreshold", threshold);
    d->rThreshold = threshold;
}

short TMSComm::SThreshold() const
{
    return d->sThreshold;
}

void TMSComm::SetSThreshold(short threshold)
{
    if (threshold < 0)
        throwInvalidValue("SThreshold", threshold);
    d->sThreshold = threshold;
}

int TMSComm::InputMode() const
{
    return d->inputMode;
}

void TMSComm::SetInputMode(int mode)
{
    if (mode != InputModeText && mode != InputModeBinary)
        throwInvalidValue("InputMode", mode);
    d->inputMode = mode;
}

void TMSComm::SetOutput(const QByteArray& bytes)
{
    if (!d->isOpen())
        throwNotOpen();
    d->requireDevice();
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = RetryOnInterrupt([&] {
            return ::write(d->fd(), bytes.constData() + written,
                           std::size_t(bytes.size() - written));
        });
        if (n > 0) {
            written += n;
            if (d->sendQueueStillHeld())
                d->heldSendQueue += int(n);
            continue;
        }
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) {
            // The driver's send buffer is full: the rest is dropped, as the classic serial control
            // drops what does not fit, and the event says so.
            d->addPendingError(comEventTxFull);
            d->scheduleDelivery();
            return;
        }
        d->errors.MarkLostAndThrow(QStringLiteral("cannot write to the port"), errno);
    }
}

QByteArray TMSComm::Input()
{
    if (!d->isOpen())
        throwNotOpen();
    d->drainDriver();
    d->scheduleDelivery();
    QByteArray taken;
    if (d->inputLen == 0 || d->inputLen >= d->received.size()) {
        taken = std::exchange(d->received, {});
    } else {
        taken = d->received.left(d->inputLen);
        d->received.remove(0, d->inputLen);
    }
    return taken;
}

short TMSComm::CommEvent() const
{
    return d->commEvent;
}

bool TMSComm::WaitForInput(int count, int msecs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(msecs);
    for (;;) {
        if (!d->isOpen())
            return false;
        d->drainDriver();
        d->scheduleDelivery();
        if (d->received.size() >= count)
            return true;
        if (d->errors.Lost())
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{d->fd(), POLLIN, 0};
        const int ready = ::poll(&watched, 1, int(left.count()));
        if (ready < 0 && errno != EINTR)
            return false;
        // Readable, hung up or woken early: the next round reads and decides.
    }
}

bool TMSComm::WaitForSent(int msecs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(msecs);
    for (;;) {
        if (OutBufferCount() == 0)
            return true;
        if (Clock::now() >= deadline)
            return false;
        // tcdrain has no time limit, so the queue is watched in short steps instead.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool TMSComm::DeviceLost() const
{
    return d->errors.Lost();
}
