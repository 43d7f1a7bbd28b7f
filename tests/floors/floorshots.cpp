// Manual visual check: saves a picture of each floor screen as built, to compare with the
// designer layout by eye. Usage: floorshots [directory]; writes quelvane-floor1.png to
// quelvane-floor5.png (default directory /tmp).

#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include "FloorRig.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir directory(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp"));

    FloorRig rig;
    rig.screens.Secondfrm->hide();

    int failures = 0;
    for (int floor = 1; floor <= 5; ++floor) {
        FloorScreen* screen = rig.Floor(floor);
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
