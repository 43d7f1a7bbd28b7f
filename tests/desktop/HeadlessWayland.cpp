#include "HeadlessWayland.h"

#include <QFileInfo>

#include "Desktop.h"

namespace {
constexpr int StartMs = 60000;
}

HeadlessWayland::~HeadlessWayland()
{
    if (compositor_.state() == QProcess::NotRunning)
        return;
    compositor_.terminate();
    if (!compositor_.waitForFinished(10000))
        compositor_.kill();
    compositor_.waitForFinished(10000);
}

bool HeadlessWayland::Start(QString* error)
{
    // The runtime folder is the session's own; QTemporaryDir makes it private (0700), as
    // Wayland asks.
    if (!runtime_.isValid()) {
        *error = QStringLiteral("no temporary folder");
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("DISPLAY"));
    compositor_.setProcessEnvironment(environment);
    compositor_.setProgram(QStringLiteral("weston"));
    compositor_.setArguments({"--backend=headless-backend.so", "--socket=" + SocketName(),
                              "--idle-time=0", "--no-config"});
    compositor_.setStandardOutputFile(QProcess::nullDevice());
    compositor_.setStandardErrorFile(QProcess::nullDevice());
    EndWithTheTests(compositor_);
    compositor_.start();
    const QString socket = runtime_.filePath(SocketName());
    if (!compositor_.waitForStarted(StartMs) ||
        !WaitFor(
            [&] {
                return QFileInfo(socket).exists() || compositor_.state() == QProcess::NotRunning;
            },
            StartMs) ||
        compositor_.state() == QProcess::NotRunning) {
        *error = QStringLiteral("weston did not start");
        return false;
    }
    return true;
}
