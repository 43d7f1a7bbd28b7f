#include <QDir>
#include <QTest>

#include "StationOnDesktop.h"

// Every window as the window manager shows it: its title exactly the caption, its outer
// rectangle (frame included) where and as large as the layout puts it.
class TestDesktopWindows : public QObject
{
    Q_OBJECT

    Desktop desktop;

    // The fit follows the framing: give the window manager and the station time to agree.
    void expectWindow(Desktop::WindowId window, const QString& title, const QRect& outer)
    {
        QCOMPARE(desktop.title(window), title);
        QRect seen;
        const bool placed = WaitFor(
            [&] {
                seen = desktop.outerRect(window).value_or(QRect());
                return seen == outer;
            },
            StationOnDesktop::WindowMs);
        QVERIFY2(placed, qPrintable(QStringLiteral("%1: outer %2,%3 %4×%5")
                                        .arg(title)
                                        .arg(seen.x())
                                        .arg(seen.y())
                                        .arg(seen.width())
                                        .arg(seen.height())));
    }

    // QUELVANE_DESKTOP_SHOTS=<folder> keeps pictures of the desktop for a person to look at.
    void shoot(const QString& name)
    {
        const QString folder = qEnvironmentVariable("QUELVANE_DESKTOP_SHOTS");
        if (!folder.isEmpty())
            QVERIFY(desktop.screenshot(QDir(folder).filePath(name + ".png")));
    }

    void goToFloor(StationOnDesktop& s, Desktop::WindowId from, QPoint label, int floor,
                   const QString& caption, const QRect& outer)
    {
        desktop.click(from, label);
        const auto window = s.waitForWindow(caption, StationOnDesktop::NavigationMs);
        QVERIFY2(window, qPrintable(caption));
        expectWindow(*window, caption, outer);
        shoot(QStringLiteral("floor%1").arg(floor));
        floorShown = *window;
    }

    Desktop::WindowId floorShown = 0;

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(desktop.start(&error), qPrintable(error));
    }

    void theScreensAndTheDialogOnEveryShowing()
    {
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));
        const QRect mainOuter(240, 151, 557, 474);
        expectWindow(s.main(), "楼宇监控系统", mainOuter);
        shoot("main");

        const QRect dialogOuter(214, 202, 423, 181);
        auto dialog = s.openPortDialog();
        QVERIFY(dialog);
        expectWindow(*dialog, "通讯端口设置", dialogOuter);
        shoot("dialog");
        QVERIFY(s.chooseFirstPort(*dialog));
        s.confirmPortDialog(*dialog);
        QVERIFY(s.waitUntilUnmanaged(*dialog));
        dialog = s.openPortDialog();
        QVERIFY(dialog);
        expectWindow(*dialog, "通讯端口设置", dialogOuter);
        desktop.tap("Escape");
        QVERIFY(s.waitUntilUnmanaged(*dialog));

        using namespace Layout;
        goToFloor(s, s.main(), MainLabel7, 1, "岚苑一层界面", {166, 115, 812, 584});
        goToFloor(s, floorShown, FloorLabel26, 2, "岚苑二层界面", {156, 129, 812, 584});
        goToFloor(s, floorShown, FloorLabel27, 3, "岚苑三层界面", {120, 108, 812, 587});
        goToFloor(s, floorShown, FloorLabel28, 4, "岚苑四层界面", {108, 118, 812, 587});
        goToFloor(s, floorShown, FloorLabel29, 5, "岚苑五层界面", {160, 125, 812, 587});
        // Shown a second time.
        goToFloor(s, floorShown, FloorLabel26, 1, "岚苑一层界面", {166, 115, 812, 584});
        desktop.click(floorShown, FloorLabel38);
        QVERIFY(s.waitUntilUnmanaged(floorShown));
        QVERIFY(s.waitForWindow("楼宇监控系统"));
        expectWindow(s.main(), "楼宇监控系统", mainOuter);
    }

    void theMessageBoxes()
    {
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));

        // 确定 with nothing chosen.
        const auto dialog = s.openPortDialog();
        QVERIFY(dialog);
        s.confirmPortDialog(*dialog);
        const auto warning = s.waitForWindow("Warning");
        QVERIFY(warning);
        QCOMPARE(desktop.title(*warning), QStringLiteral("Warning"));
        shoot("warning");
        QVERIFY(s.waitUntilActive(*warning));
        desktop.tap("Return");
        QVERIFY(s.waitUntilUnmanaged(*warning));

        // The line breaks; the next switch command cannot be written.
        QVERIFY(s.openCom1());
        s.bus.OnBus([](BuildingBus& bus) { bus.Close(); });
        desktop.click(s.main(), Layout::MainSwitch1);
        QList<Desktop::WindowId> boxes;
        QVERIFY(WaitFor(
            [&] {
                boxes = desktop.clientsTitled("楼宇监控系统");
                boxes.removeAll(s.main());
                return !boxes.isEmpty();
            },
            StationOnDesktop::WindowMs));
        shoot("write-error");
        QVERIFY(s.waitUntilActive(boxes.first()));
        desktop.tap("Return");
        QVERIFY(s.waitUntilUnmanaged(boxes.first()));
    }
};

QTEST_GUILESS_MAIN(TestDesktopWindows)
#include "tst_desktopwindows.moc"
