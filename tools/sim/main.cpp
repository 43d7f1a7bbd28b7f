#include "sim/BuildingBus.h"
#include "sim/SimCommandLine.h"
#include "sim/SimOutput.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

void printLine(std::FILE* stream, const QString& line)
{
    std::fputs(line.toLocal8Bit().append('\n').constData(), stream);
    std::fflush(stream);
}

// SIGINT and SIGTERM arrive as readable bytes on a descriptor, so the event loop ends them
// like any other input and the bus closes its line on the way out.
UniqueFd stopSignals()
{
    sigset_t stopSet;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGINT);
    sigaddset(&stopSet, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &stopSet, nullptr) != 0)
        return UniqueFd();
    return UniqueFd(signalfd(-1, &stopSet, SFD_NONBLOCK | SFD_CLOEXEC));
}

} // namespace

int main(int argc, char* argv[])
{
    const UniqueFd stopFd = stopSignals();
    QCoreApplication app(argc, argv);
    if (!stopFd.IsValid()) {
        printLine(stderr, QStringLiteral("quelvane-sim: cannot catch SIGINT and SIGTERM"));
        return 1;
    }

    const SimCommandLine commandLine = ParseSimCommandLine(app.arguments());
    if (commandLine.action == SimCommandLine::Action::ShowHelp ||
        commandLine.action == SimCommandLine::Action::ShowVersion) {
        printLine(stdout, commandLine.text);
        return 0;
    }
    if (commandLine.action == SimCommandLine::Action::Fail) {
        printLine(stderr, QStringLiteral("quelvane-sim: %1 (see --help)").arg(commandLine.text));
        return 2;
    }
    const SimOptions& options = commandLine.options;

    BuildingBus bus(options.config);
    try {
        if (options.devicePath.isEmpty())
            bus.OpenPseudoTerminal();
        else
            bus.OpenDevice(options.devicePath);
    } catch (const BusError& error) {
        printLine(stderr,
                  QStringLiteral("quelvane-sim: %1").arg(QString::fromLocal8Bit(error.what())));
        return 1;
    }

    if (options.trace) {
        QObject::connect(&bus, &BuildingBus::frameReceived, [](const QByteArray& frame, qint64 at) {
            printLine(stdout, FormatTraceLine(TraceDirection::Received, at, frame));
        });
        QObject::connect(&bus, &BuildingBus::bytesSent, [](const QByteArray& bytes, qint64 at) {
            printLine(stdout, FormatTraceLine(TraceDirection::Sent, at, bytes));
        });
        QObject::connect(&bus, &BuildingBus::replyDropped, [](const QByteArray& reply, qint64 at) {
            printLine(stdout, FormatTraceLine(TraceDirection::Dropped, at, reply));
        });
    }
    int status = 0;
    QObject::connect(&bus, &BuildingBus::failed, [&app, &status](const QString& message) {
        printLine(stderr, QStringLiteral("quelvane-sim: %1").arg(message));
        status = 1;
        app.quit();
    });
    QSocketNotifier stop(stopFd.Get(), QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    printLine(stdout, DeviceLine(bus.DevicePath()));
    app.exec();
    bus.Close();
    printLine(stdout, StoppedLine(bus.Counters()));
    return status;
}
