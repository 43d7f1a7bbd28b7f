#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A Wayland compositor nobody sees (weston's headless back end), as a Wayland session runs
// beside its X server (Xwayland) for X programs.
class HeadlessWayland
{
public:
    HeadlessWayland() = default;
    ~HeadlessWayland();
    HeadlessWayland(const HeadlessWayland&) = delete;
    HeadlessWayland& operator=(const HeadlessWayland&) = delete;

    // Starts the compositor and waits until its socket listens; on failure says why.
    bool Start(QString* error);
    // What a client of the session finds in WAYLAND_DISPLAY and XDG_RUNTIME_DIR.
    QString SocketName() const { return QStringLiteral("wayland-quelvane"); }
    QString RuntimeDir() const { return runtime_.path(); }

private:
    QTemporaryDir runtime_;
    QProcess compositor_;
};
