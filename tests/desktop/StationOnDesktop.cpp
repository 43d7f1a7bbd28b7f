#include "StationOnDesktop.h"

#include <QElapsedTimer>
#include <QFile>

#include "link/ControllerFrame.h"

namespace {

constexpr int MainAddress = 1;
// Status requests to this address mark the line; these tests never visit floor 5.
constexpr int MarkerAddress = 21;

std::uint8_t commandOf(const QByteArray& frame)
{
    return std::uint8_t(frame[ControllerFrameLayout::Command]);
}

std::uint8_t addressOf(const QByteArray& frame)
{
    return std::uint8_t(frame[ControllerFrameLayout::ControllerAddress]);
}

} // namespace

StationOnDesktop::StationOnDesktop(Desktop& desktop) : desktop_(desktop) {}

StationOnDesktop::~StationOnDesktop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(10000);
    }
    // The next station's main screen bears the same title.
    if (main_ != 0)
        WaitUntilUnmanaged(main_);
}

bool StationOnDesktop::Start(QString* error, const EnvironmentChange& change)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), desktop_.DisplayName());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QUELVANE_COM1"), bus_.DevicePath());
    // The X keyboard library strndup()s a key name that fills its buffer to the end; strict
    // string checks take that for an overflow. The station's own code keeps them in every
    // other test.
    const QString sanitizer = QStringLiteral("ASAN_OPTIONS");
    if (environment.contains(sanitizer))
        environment.insert(sanitizer, environment.value(sanitizer) + ":strict_string_checks=0");
    if (change)
        change(environment);
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    EndWithTheTests(process_);
    process_.start(QStringLiteral(QUELVANE_STATION_PROGRAM), QStringList());
    if (!process_.waitForStarted(WindowMs)) {
        *error = QStringLiteral("the station did not start: ") + process_.errorString();
        return false;
    }
    const auto main = WaitForWindow(QStringLiteral("楼宇监控系统"));
    if (!main) {
        *error = process_.state() == QProcess::NotRunning
                     ? QStringLiteral("the station ended at start with %1").arg(process_.exitCode())
                     : QStringLiteral("the main screen did not appear");
        return false;
    }
    main_ = *main;
    leader_ = desktop_.ClientLeader(main_);
    if (leader_ == 0 || !desktop_.WindowExists(leader_)) {
        *error = QStringLiteral("the main screen names no client leader that exists");
        return false;
    }
    return true;
}

std::optional<StationOnDesktop::WindowId> StationOnDesktop::WaitForWindow(const QString& title,
                                                                          int ms)
{
    std::optional<WindowId> found;
    WaitFor(
        [&] {
            for (WindowId window : desktop_.Clients()) {
                if (desktop_.Title(window).startsWith(title))
                    found = window;
            }
            return found.has_value() || process_.state() == QProcess::NotRunning;
        },
        ms);
    return found;
}

bool StationOnDesktop::WaitUntilUnmanaged(WindowId window, int ms)
{
    return WaitFor([&] { return !desktop_.Clients().contains(window); }, ms);
}

bool StationOnDesktop::WaitUntilActive(WindowId window)
{
    if (desktop_.ActiveWindow() != window)
        desktop_.Activate(window);
    return WaitFor(
        [&] { return desktop_.ActiveWindow() == window && desktop_.FocusWindow() == window; },
        WindowMs);
}

std::optional<StationOnDesktop::WindowId> StationOnDesktop::OpenPortDialog()
{
    if (!WaitUntilActive(main_))
        return std::nullopt;
    desktop_.Click(main_, Layout::MainMenuFile);
    std::optional<WindowId> menu;
    if (!WaitFor([&] { return (menu = desktop_.ShownPopup()).has_value(); }, WindowMs))
        return std::nullopt;
    // 设置, the menu's only item.
    desktop_.Click(*menu, Layout::FirstEntry);
    const auto dialog = WaitForWindow(QStringLiteral("通讯端口设置"));
    if (!dialog || !WaitUntilActive(*dialog))
        return std::nullopt;
    return dialog;
}

bool StationOnDesktop::ChooseFirstPort(WindowId dialog)
{
    desktop_.Click(dialog, Layout::DialogListArrow);
    std::optional<WindowId> list;
    if (!WaitFor([&] { return (list = desktop_.ShownPopup()).has_value(); }, WindowMs))
        return false;
    desktop_.Click(*list, Layout::FirstEntry);
    return WaitFor([&] { return !desktop_.ShownPopup().has_value(); }, WindowMs);
}

void StationOnDesktop::ConfirmPortDialog(WindowId dialog)
{
    desktop_.Click(dialog, Layout::DialogOk);
}

bool StationOnDesktop::OpenCom1()
{
    const auto dialog = OpenPortDialog();
    if (!dialog || !ChooseFirstPort(*dialog))
        return false;
    ConfirmPortDialog(*dialog);
    return WaitForStatusRequest(MainAddress);
}

bool StationOnDesktop::RequestClose(WindowId window)
{
    if (!WaitUntilActive(window))
        return false;
    pressCloseKeys();
    releaseCloseKeys();
    return true;
}

qint64 StationOnDesktop::CloseMainScreen(qint64* busMsAtClose)
{
    if (!WaitUntilActive(main_))
        return -1;
    *busMsAtClose = bus_.ElapsedMs();
    // The clock starts once the X server has the request: waiting for the focus and typing
    // the keys are the harness's time, not the station's.
    pressCloseKeys();
    QElapsedTimer sinceClose;
    sinceClose.start();
    releaseCloseKeys();
    if (!WaitFor([&] { return !desktop_.WindowExists(leader_); }, WindowMs))
        return -1;
    const qint64 runOverMs = sinceClose.elapsed();
    // The wait above runs the event loop, where the process may have been seen to end already.
    if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(WindowMs))
        return -1;
    qInfo("the process ended %lld ms after the close request", sinceClose.elapsed());
    return runOverMs;
}

// Alt+F4: the window manager closes the active window on the press of F4.
void StationOnDesktop::pressCloseKeys()
{
    desktop_.KeyDown("Alt_L");
    desktop_.KeyDown("F4");
}

void StationOnDesktop::releaseCloseKeys()
{
    desktop_.KeyUp("F4");
    desktop_.KeyUp("Alt_L");
}

std::optional<QList<BusOnThread::Frame>> StationOnDesktop::FramesHeardAfter(qint64 busMs)
{
    QFile line(bus_.DevicePath());
    const ControllerFrame marker = BuildStatusRequest(MarkerAddress);
    if (!line.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        line.write(reinterpret_cast<const char*>(marker.data()), qint64(marker.size())) !=
            qint64(marker.size()))
        return std::nullopt;
    line.close();
    const qsizetype before = bus_.Frames().size();
    const bool marked = WaitFor(
        [&] {
            for (qsizetype i = before; i < bus_.Frames().size(); ++i) {
                const QByteArray& frame = bus_.Frames()[i].bytes;
                if (commandOf(frame) == ReadStatusCommand && addressOf(frame) == MarkerAddress)
                    return true;
            }
            return false;
        },
        WindowMs);
    if (!marked)
        return std::nullopt;
    QList<BusOnThread::Frame> after;
    for (const BusOnThread::Frame& frame : bus_.Frames()) {
        const bool marker =
            commandOf(frame.bytes) == ReadStatusCommand && addressOf(frame.bytes) == MarkerAddress;
        if (frame.atMs > busMs && !marker)
            after << frame;
    }
    return after;
}

bool StationOnDesktop::HeardStatusRequest(int address) const
{
    return bus_.StatusRequests().contains(address);
}

bool StationOnDesktop::WaitForStatusRequest(int address, int ms)
{
    return WaitFor([&] { return HeardStatusRequest(address); }, ms);
}
