// Manual visual check: saves a picture of each floor screen as built, to compare with the
// designer layout by eye. Usage: floorshots [directory]; writes quelvane-floor1.png to
// quelvane-floor5.png (default directory /tmp).

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "floors/FloorScreens.h"
#include "floors/Navigation.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "serial/TMSComm.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp"));

    TMSComm comm;
    IndicatorLookup indicators;
    ControllerLink link(comm, indicators);
    QWidget mainfrm;
    ScreenSet screens;
    screens.mainfrm = &mainfrm;
    screens.link = &link;
    screens.indicators = &indicators;
    Tfirstfrm firstfrm(screens);
    screens.firstfrm = &firstfrm;
    TSecondfrm secondfrm(screens);
    screens.Secondfrm = &secondfrm;
    TThirdfrm thirdfrm(screens);
    screens.Thirdfrm = &thirdfrm;
    TFourfrm fourfrm(screens);
    screens.Fourfrm = &fourfrm;
    TFivefrm fivefrm(screens);
    screens.Fivefrm = &fivefrm;
    secondfrm.hide();

    int failures = 0;
    for (int floor = 1; floor <= 5; ++floor) {
        FloorScreen* screen = FloorScreenOf(screens, floor);
        screen->show();
        QApplication::processEvents();
        const QString path = directory.filePath(QStringLiteral("quelvane-floor%1.png").arg(floor));
        if (screen->grab().save(path)) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
        screen->hide();
    }
    return failures == 0 ? 0 : 1;
}
