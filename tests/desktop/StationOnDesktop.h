#pragma once

#include <functional>

#include <QProcess>

#include "Desktop.h"
#include "support/BusOnThread.h"

// The station as an operator runs it: its own process on the test desktop, COM1 on the
// simulated building bus, which this process serves and so hears every frame.
class StationOnDesktop
{
public:
    using WindowId = Desktop::WindowId;

    // Generous: the sanitizer build on a loaded machine starts slowly.
    static constexpr int WindowMs = 60000;
    // Longer than the six seconds of a floor change on a loaded machine.
    static constexpr int NavigationMs = 60000;

    explicit StationOnDesktop(Desktop& desktop);
    ~StationOnDesktop();

    // How a test changes the environment the station starts in.
    using EnvironmentChange = std::function<void(QProcessEnvironment&)>;

    // Starts the station on the desktop's display, on Qt's X11 platform unless the change says
    // otherwise, and waits for its main screen there; on failure says why.
    bool Start(QString* error, const EnvironmentChange& change = {});

    WindowId Main() const { return main_; }
    QProcess& Process() { return process_; }

    // The newest managed window whose title starts with this caption, once there is one: a
    // title the caption does not match exactly is the tests' to report.
    std::optional<WindowId> WaitForWindow(const QString& title, int ms = WindowMs);
    bool WaitUntilUnmanaged(WindowId window, int ms = WindowMs);

    // 文件 → 设置: the port dialog's window once it is shown.
    std::optional<WindowId> OpenPortDialog();
    // The list's first entry chosen with the mouse from the drop-down list.
    bool ChooseFirstPort(WindowId dialog);
    // 确定.
    void ConfirmPortDialog(WindowId dialog);
    // The dialog with COM1 chosen; true once the bus hears the status request that follows
    // the opening.
    bool OpenCom1();
    // Waits until the window manager has given the window the focus: keys go to it from then.
    bool WaitUntilActive(WindowId window);

    // Asks to close the window the way an operator does: Alt+F4 through the window manager.
    bool RequestClose(WindowId window);
    // Closes the main screen and measures the time from the moment the X server has the request
    // until the station's run is over: its connection to the X server closes as main() returns.
    // The process then ends by itself; what it does after that is the runtime's teardown, and
    // in the sanitizer build the leak checker's scan of the heap, some hundred milliseconds that
    // are not the station's. -1 when the station or its process stays.
    qint64 CloseMainScreen(qint64* busMsAtClose);

    // Frames the bus heard after the given time on its clock, once everything the station
    // wrote before now has been read (a marker frame written behind it is heard first);
    // nothing when the line could not be marked.
    std::optional<QList<BusOnThread::Frame>> FramesHeardAfter(qint64 busMs);
    bool HeardStatusRequest(int address) const;
    bool WaitForStatusRequest(int address, int ms = NavigationMs);

    BusOnThread& Bus() { return bus_; }
    const BusOnThread& Bus() const { return bus_; }

private:
    void pressCloseKeys();
    void releaseCloseKeys();

    BusOnThread bus_;
    Desktop& desktop_;
    QProcess process_;
    WindowId main_ = 0;
    WindowId leader_ = 0;
};

// Client positions of the controls the tests operate, from the screens' layouts. The main
// screen's are below its menu bar, whose height depends on the font: the points lie well
// inside the controls for any usual menu bar.
namespace Layout {
constexpr QPoint MainLabel7{82, 330};
constexpr QPoint MainSwitch1{86, 216};
constexpr QPoint MainBackground{20, 330};
constexpr QPoint MainMenuFile{18, 8};
constexpr QPoint FloorLabel26{150, 66};
constexpr QPoint FloorLabel27{642, 66};
constexpr QPoint FloorLabel28{150, 129};
constexpr QPoint FloorLabel29{642, 129};
constexpr QPoint FloorLabel38{387, 99};
constexpr QPoint FloorSwitch1{33, 274};
constexpr QPoint DialogOk{100, 108};
constexpr QPoint DialogListArrow{239, 34};
constexpr QPoint DialogField{190, 34};
// The first entry of a drop-down list or a menu, from its top-left corner.
constexpr QPoint FirstEntry{20, 10};
} // namespace Layout
