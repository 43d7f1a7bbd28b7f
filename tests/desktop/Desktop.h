#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

// A desktop of the tests' own: Xvfb on a free display, with a reparenting window manager on it,
// openbox unless QUELVANE_DESKTOP_WM names another. What the tests learn about windows they read
// back from the window manager; what they do goes in through XTest, as an operator's keyboard and
// mouse would.
class Desktop
{
public:
    using WindowId = unsigned long;

    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Starts the server and the window manager; on failure says why.
    bool Start(QString* error);
    QString DisplayName() const { return display_; }
    QString WindowManager() const { return windowManagerName_; }

    // A Wayland session's compositor beside the X server, nobody sees it (weston's headless
    // back end); its clients find it through XDG_RUNTIME_DIR and WAYLAND_DISPLAY.
    bool StartWayland(QString* error);
    QString WaylandRuntimeDir() const { return home_.path(); }
    static QString WaylandDisplay() { return QStringLiteral("wayland-quelvane"); }

    // Whether the window exists on the server at all, managed, shown or not.
    bool WindowExists(WindowId window);
    // The window a program names as the leader of all its windows (WM_CLIENT_LEADER); Qt's
    // lives as long as the program's connection to the server. 0 when the window names none.
    WindowId ClientLeader(WindowId window);
    // The windows the window manager manages (_NET_CLIENT_LIST), oldest first.
    QList<WindowId> Clients();
    QList<WindowId> ClientsTitled(const QString& title);
    // What the window manager shows as the title: _NET_WM_VISIBLE_NAME, else _NET_WM_NAME.
    QString Title(WindowId window);
    std::optional<QMargins> FrameExtents(WindowId window);
    QRect ClientRect(WindowId window);
    // The client grown by the frame extents the window manager set.
    std::optional<QRect> OuterRect(WindowId window);
    WindowId ActiveWindow();
    // The window that has the keyboard: keys typed now go to it.
    WindowId FocusWindow();
    // A shown pop-up (a menu, a drop-down list): an override-redirect window with a window
    // type, on the screen. The window manager does not manage pop-ups.
    std::optional<WindowId> ShownPopup();
    // Asks the window manager to activate the window (_NET_ACTIVE_WINDOW).
    void Activate(WindowId window);

    // Input through XTest. Positions are in the window's client coordinates; keys are X key
    // symbol names ("space", "F4", "Alt_L").
    void MoveTo(WindowId window, QPoint position);
    void Click(WindowId window, QPoint position);
    void KeyDown(const char* key);
    void KeyUp(const char* key);
    void Tap(const char* key);
    void TypeText(const QString& text);

    // The pointer's cursor as the server shows it: size, hot spot and name. Not its pixels:
    // the busy cursor of a cursor theme is animated, each look would see another frame.
    QByteArray PointerShape();
    bool Screenshot(const QString& path);

private:
    struct Private; // the connection to the X server
    std::unique_ptr<Private> d;
    QString display_;
    QString windowManagerName_;
    QTemporaryDir home_;
    QProcess server_;
    QProcess windowManager_;
    QProcess compositor_;
};

// Polls the condition until it holds or the time is up, running the test's event loop
// meanwhile (the simulated bus reports through it).
bool WaitFor(const std::function<bool()>& condition, int ms);

// The process ends with the test program, also when a time-out kills the test program
// before it can clean up.
void EndWithTheTests(QProcess& process);
