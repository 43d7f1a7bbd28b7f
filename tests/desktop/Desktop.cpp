#include "Desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

// Xlib's macros clash with Qt's names: its headers come last.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace {

constexpr int StartMs = 60000;

// The window managers the tests run under, chosen by QUELVANE_DESKTOP_WM: openbox, whose frame
// is as thin as the layouts assume; metacity, GNOME's family, with a thick title bar; icewm,
// which frames a window where it stands.
struct WindowManagerRow
{
    const char* name;
    QStringList arguments;
};

const QList<WindowManagerRow>& windowManagers()
{
    static const QList<WindowManagerRow> rows{
        {"openbox", {"--sm-disable", "--config-file", QStringLiteral(QUELVANE_OPENBOX_CONFIG)}},
        {"metacity", {"--sm-disable", "--compositor=none"}},
        {"icewm", {}},
    };
    return rows;
}

// Windows vanish while the tests look at them; a failed request just reads as nothing.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// Reads the display number Xvfb writes once it listens.
QByteArray readDisplayNumber(int fd, int ms)
{
    QByteArray number;
    QElapsedTimer timer;
    timer.start();
    while (!number.contains('\n') && timer.elapsed() < ms) {
        pollfd watched{fd, POLLIN, 0};
        if (::poll(&watched, 1, 100) <= 0)
            continue;
        char buffer[16];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            number.append(buffer, n);
        else if (n == 0 || (errno != EINTR && errno != EAGAIN))
            break;
    }
    return number.contains('\n') ? number.trimmed() : QByteArray();
}

} // namespace

struct Desktop::Private
{
    Display* display = nullptr;
    Window root = 0;

    Atom atom(const char* name) { return XInternAtom(display, name, False); }

    std::vector<unsigned long> cardinals(Window window, const char* property, Atom type)
    {
        std::vector<unsigned long> values;
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, atom(property), 0, 1024, False, type, &actualType,
                               &format, &count, &after, &data) == Success &&
            data != nullptr && format == 32 && actualType == type) {
            const auto* longs = reinterpret_cast<const unsigned long*>(data);
            values.assign(longs, longs + count);
        }
        if (data != nullptr)
            XFree(data);
        return values;
    }

    std::optional<QString> utf8(Window window, const char* property)
    {
        std::optional<QString> text;
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        const Atom utf8String = atom("UTF8_STRING");
        if (XGetWindowProperty(display, window, atom(property), 0, 1024, False, utf8String,
                               &actualType, &format, &count, &after, &data) == Success &&
            data != nullptr && format == 8 && actualType == utf8String)
            text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(count));
        if (data != nullptr)
            XFree(data);
        return text;
    }

    bool windowManagerRuns()
    {
        const auto check = cardinals(root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
        if (check.empty())
            return false;
        const auto self = cardinals(Window(check[0]), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
        return !self.empty() && self[0] == check[0];
    }

    unsigned int keycode(const char* key)
    {
        const KeySym symbol = XStringToKeysym(key);
        return symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
    }

    void key(unsigned int code, bool down)
    {
        if (code == 0)
            return;
        XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
        XSync(display, False);
    }
};

Desktop::Desktop() : d(std::make_unique<Private>()) {}

Desktop::~Desktop()
{
    if (d->display != nullptr)
        XCloseDisplay(d->display);
    for (QProcess* process : {&compositor_, &windowManager_, &server_}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(10000))
            process->kill();
        process->waitForFinished(10000);
    }
}

bool Desktop::Start(QString* error)
{
    XSetErrorHandler(ignoreErrors);
    windowManagerName_ = qEnvironmentVariable("QUELVANE_DESKTOP_WM", QStringLiteral("openbox"));
    const auto windowManager = std::find_if(
        windowManagers().begin(), windowManagers().end(),
        [this](const WindowManagerRow& row) { return windowManagerName_ == row.name; });
    if (windowManager == windowManagers().end()) {
        *error = QStringLiteral("no such window manager for the tests: ") + windowManagerName_;
        return false;
    }
    if (!home_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    // -displayfd: the server picks a free display itself, so that several desktops (other
    // tests, other checkouts) run side by side.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        *error = QStringLiteral("no pipe");
        return false;
    }
    ::fcntl(fds[1], F_SETFD, 0);
    server_.setProgram(QStringLiteral("Xvfb"));
    server_.setArguments({"-displayfd", QString::number(fds[1]), "-screen", "0", "1280x1024x24",
                          "-nolisten", "tcp"});
    server_.setStandardOutputFile(QProcess::nullDevice());
    server_.setStandardErrorFile(QProcess::nullDevice());
    EndWithTheTests(server_);
    server_.start();
    ::close(fds[1]);
    const QByteArray number =
        server_.waitForStarted(StartMs) ? readDisplayNumber(fds[0], StartMs) : QByteArray();
    ::close(fds[0]);
    if (number.isEmpty()) {
        *error = QStringLiteral("Xvfb did not start");
        return false;
    }
    display_ = QStringLiteral(":") + QString::fromLatin1(number);
    d->display = XOpenDisplay(display_.toLocal8Bit().constData());
    if (d->display == nullptr) {
        *error = QStringLiteral("cannot open display ") + display_;
        return false;
    }
    d->root = DefaultRootWindow(d->display);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    // Nothing of the user's own configuration or cache reaches the window manager.
    environment.insert(QStringLiteral("HOME"), home_.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + "/config");
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home_.path() + "/cache");
    // Settings in memory: metacity reads its defaults and writes nothing.
    environment.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
    windowManager_.setProcessEnvironment(environment);
    windowManager_.setProgram(windowManager->name);
    windowManager_.setArguments(windowManager->arguments);
    windowManager_.setStandardOutputFile(QProcess::nullDevice());
    windowManager_.setStandardErrorFile(QProcess::nullDevice());
    EndWithTheTests(windowManager_);
    windowManager_.start();
    if (!windowManager_.waitForStarted(StartMs) ||
        !WaitFor([this] { return d->windowManagerRuns(); }, StartMs)) {
        *error = windowManagerName_ + QStringLiteral(" did not start");
        return false;
    }
    return true;
}

bool Desktop::StartWayland(QString* error)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), WaylandRuntimeDir());
    environment.remove(QStringLiteral("DISPLAY"));
    compositor_.setProcessEnvironment(environment);
    compositor_.setProgram(QStringLiteral("weston"));
    compositor_.setArguments({"--backend=headless-backend.so", "--socket=" + WaylandDisplay(),
                              "--idle-time=0", "--no-config"});
    compositor_.setStandardOutputFile(QProcess::nullDevice());
    compositor_.setStandardErrorFile(QProcess::nullDevice());
    EndWithTheTests(compositor_);
    compositor_.start();
    const QString socket = QDir(WaylandRuntimeDir()).filePath(WaylandDisplay());
    const bool listens = compositor_.waitForStarted(StartMs) &&
                         WaitFor([&] { return QFileInfo::exists(socket); }, StartMs);
    if (!listens)
        *error = QStringLiteral("weston did not start");
    return listens;
}

bool Desktop::WindowExists(WindowId window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(d->display, Window(window), &attributes) != 0;
}

Desktop::WindowId Desktop::ClientLeader(WindowId window)
{
    const auto leader = d->cardinals(Window(window), "WM_CLIENT_LEADER", XA_WINDOW);
    return leader.empty() ? 0 : leader[0];
}

QList<Desktop::WindowId> Desktop::Clients()
{
    QList<WindowId> windows;
    for (unsigned long window : d->cardinals(d->root, "_NET_CLIENT_LIST", XA_WINDOW))
        windows << window;
    return windows;
}

QList<Desktop::WindowId> Desktop::ClientsTitled(const QString& wanted)
{
    QList<WindowId> windows;
    for (WindowId window : Clients()) {
        if (Title(window) == wanted)
            windows << window;
    }
    return windows;
}

QString Desktop::Title(WindowId window)
{
    if (auto shown = d->utf8(Window(window), "_NET_WM_VISIBLE_NAME"))
        return *shown;
    return d->utf8(Window(window), "_NET_WM_NAME").value_or(QString());
}

std::optional<QMargins> Desktop::FrameExtents(WindowId window)
{
    const auto extents = d->cardinals(Window(window), "_NET_FRAME_EXTENTS", XA_CARDINAL);
    if (extents.size() != 4)
        return std::nullopt;
    // Left, right, top, bottom.
    return QMargins(int(extents[0]), int(extents[2]), int(extents[1]), int(extents[3]));
}

QRect Desktop::ClientRect(WindowId window)
{
    Window rootReturn = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (!XGetGeometry(d->display, Window(window), &rootReturn, &x, &y, &width, &height, &border,
                      &depth))
        return {};
    if (!XTranslateCoordinates(d->display, Window(window), d->root, 0, 0, &x, &y, &child))
        return {};
    return QRect(x, y, int(width), int(height));
}

std::optional<QRect> Desktop::OuterRect(WindowId window)
{
    const auto extents = FrameExtents(window);
    if (!extents)
        return std::nullopt;
    return ClientRect(window).marginsAdded(*extents);
}

Desktop::WindowId Desktop::ActiveWindow()
{
    const auto active = d->cardinals(d->root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return active.empty() ? 0 : active[0];
}

Desktop::WindowId Desktop::FocusWindow()
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(d->display, &focus, &revert);
    return focus;
}

std::optional<Desktop::WindowId> Desktop::ShownPopup()
{
    Window rootReturn = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d->display, d->root, &rootReturn, &parent, &children, &count))
        return std::nullopt;
    std::optional<WindowId> shown;
    for (unsigned int i = 0; i < count && !shown; ++i) {
        XWindowAttributes attributes{};
        // metacity keeps a typed override-redirect window of its own, off the screen.
        if (!XGetWindowAttributes(d->display, children[i], &attributes) ||
            attributes.map_state != IsViewable || !attributes.override_redirect ||
            attributes.x + attributes.width <= 0 || attributes.y + attributes.height <= 0)
            continue;
        if (!d->cardinals(children[i], "_NET_WM_WINDOW_TYPE", XA_ATOM).empty())
            shown = children[i];
    }
    if (children != nullptr)
        XFree(children);
    return shown;
}

void Desktop::Activate(WindowId window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window);
    event.xclient.message_type = d->atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // from a pager: the window manager obeys
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d->display, d->root, False, SubstructureRedirectMask | SubstructureNotifyMask,
               &event);
    XSync(d->display, False);
}

void Desktop::MoveTo(WindowId window, QPoint position)
{
    int x = 0;
    int y = 0;
    Window child = 0;
    XTranslateCoordinates(d->display, Window(window), d->root, position.x(), position.y(), &x, &y,
                          &child);
    XTestFakeMotionEvent(d->display, -1, x, y, CurrentTime);
    XSync(d->display, False);
}

void Desktop::Click(WindowId window, QPoint position)
{
    MoveTo(window, position);
    XTestFakeButtonEvent(d->display, 1, True, CurrentTime);
    XTestFakeButtonEvent(d->display, 1, False, CurrentTime);
    XSync(d->display, False);
}

void Desktop::KeyDown(const char* key)
{
    d->key(d->keycode(key), true);
}

void Desktop::KeyUp(const char* key)
{
    d->key(d->keycode(key), false);
}

void Desktop::Tap(const char* key)
{
    KeyDown(key);
    KeyUp(key);
}

void Desktop::TypeText(const QString& text)
{
    const unsigned int shift = d->keycode("Shift_L");
    for (const QChar c : text) {
        const KeySym symbol = XStringToKeysym(QString(c).toLatin1().constData());
        const unsigned int code = symbol == NoSymbol ? 0 : XKeysymToKeycode(d->display, symbol);
        if (code == 0)
            continue;
        const bool shifted = XkbKeycodeToKeysym(d->display, KeyCode(code), 0, 0) != symbol;
        if (shifted)
            d->key(shift, true);
        d->key(code, true);
        d->key(code, false);
        if (shifted)
            d->key(shift, false);
    }
}

QByteArray Desktop::PointerShape()
{
    XFixesCursorImage* image = XFixesGetCursorImage(d->display);
    if (image == nullptr)
        return {};
    QByteArray shape;
    for (int value : {int(image->width), int(image->height), int(image->xhot), int(image->yhot)})
        shape.append(reinterpret_cast<const char*>(&value), sizeof value);
    if (image->name != nullptr)
        shape.append(image->name);
    XFree(image);
    return shape;
}

bool Desktop::Screenshot(const QString& path)
{
    return QProcess::execute(QStringLiteral("import"),
                             {"-display", display_, "-window", "root", path}) == 0;
}

bool WaitFor(const std::function<bool()>& condition, int ms)
{
    return QTest::qWaitFor(condition, ms);
}

void EndWithTheTests(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}
