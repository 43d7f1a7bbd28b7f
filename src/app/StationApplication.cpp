#include "app/StationApplication.h"

#include <exception>

#include <QDir>
#include <QIcon>
#include <QMessageBox>

#include "datalink/iOPCFunctions.h"

namespace {

void showErrorBox(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, StationApplication::Caption(), message, QMessageBox::Ok);
    box.exec();
}

void (*errorPresenter)(const QString&) = showErrorBox;

// The sizes rendered at build time, named by their edge in pixels.
QIcon stationIcon()
{
    QIcon icon;
    const QDir sizes(QStringLiteral(":/icons"));
    for (const QString& name : sizes.entryList(QDir::Files))
        icon.addFile(sizes.filePath(name));
    return icon;
}

} // namespace

StationApplication::StationApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // No display name: the desktop's platform would append it to every window title that
    // differs from it, and each title must be exactly its caption.
    setApplicationName(QStringLiteral("quelvane"));
    // Every screen and message box shows it in its title bar and task switcher entry.
    setWindowIcon(stationIcon());
    // Only closing the main screen ends the station: not the port dialog or a message box
    // closing while the main screen is hidden behind a floor screen.
    setQuitOnLastWindowClosed(false);
    // The data link sounds the desktop's bell, not the terminal's.
    OPCSetBeep(&QApplication::beep);
}

bool StationApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error"));
    }
    return false;
}

void StationApplication::SetErrorPresenter(void (*presenter)(const QString&))
{
    errorPresenter = presenter != nullptr ? presenter : showErrorBox;
}

void StationApplication::ShowException(const QString& message)
{
    errorPresenter(message);
}

QString StationApplication::Caption()
{
    return QStringLiteral("楼宇监控系统");
}
