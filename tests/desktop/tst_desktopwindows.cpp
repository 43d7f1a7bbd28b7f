#include <QDir>
#include <QTest>

#include "DesktopFixture.h"

// Every window as the window manager shows it: its title exactly the caption, its outer
// rectangle (frame included) where and as large as the layout puts it, on every showing.
class TestDesktopWindows : public DesktopFixture
{
    Q_OBJECT

    static QString text(const QRect& r)
    {
        return QString::asprintf("%d,%d %d×%d", r.x(), r.y(), r.width(), r.height());
    }

    // The layout's outer rectangle, unless the window manager's frame is thicker than the one
    // the layouts were drawn with (8 × 27 px): then the client keeps what that frame left it and
    // the frame grows to the right and down. The fit follows the framing: give the window
    // manager and the station time to agree.
    void expectWindow(Desktop::WindowId window, const QString& title, const QRect& layout)
    {
        QCOMPARE(desktop_.Title(window), title);
        QRect seen;
        QRect wanted;
        const bool placed = WaitFor(
            [&] {
                const auto frame = desktop_.FrameExtents(window);
                const QSize client = layout.size()
                                         .shrunkBy(frame.value_or(QMargins()))
                                         .expandedTo(layout.size() - QSize(8, 27));
                wanted = QRect(layout.topLeft(), client.grownBy(frame.value_or(QMargins())));
                seen = desktop_.OuterRect(window).value_or(QRect());
                return frame && seen == wanted;
            },
            StationOnDesktop::WindowMs);
        QVERIFY2(placed, qPrintable(title + ": outer " + text(seen) + ", not " + text(wanted)));
    }

    // QUELVANE_DESKTOP_SHOTS=<folder> keeps pictures of the desktop for a person to look at.
    void shoot(const QString& name)
    {
        const QString folder = qEnvironmentVariable("QUELVANE_DESKTOP_SHOTS");
        if (!folder.isEmpty())
            QVERIFY(desktop_.Screenshot(
                QDir(folder).filePath(name + "-" + desktop_.WindowManager() + ".png")));
    }

    void goToFloor(StationOnDesktop& s, Desktop::WindowId from, QPoint label, int floor,
                   const QString& caption, const QRect& outer)
    {
        desktop_.Click(from, label);
        const auto window = s.WaitForWindow(caption, StationOnDesktop::NavigationMs);
        QVERIFY2(window, qPrintable(caption));
        expectWindow(*window, caption, outer);
        shoot(QStringLiteral("floor%1").arg(floor));
        floorShown = *window;
    }

    Desktop::WindowId floorShown = 0;
    static constexpr QRect MainOuter{240, 151, 557, 474};

private slots:
    void theScreensAndTheDialogOnEveryShowing()
    {
        StationOnDesktop& s = station();
        expectWindow(s.Main(), "楼宇监控系统", MainOuter);
        shoot("main");

        const QRect dialogOuter(214, 202, 423, 181);
        auto dialog = s.OpenPortDialog();
        QVERIFY(dialog);
        expectWindow(*dialog, "通讯端口设置", dialogOuter);
        shoot("dialog");
        QVERIFY(s.ChooseFirstPort(*dialog));
        s.ConfirmPortDialog(*dialog);
        QVERIFY(s.WaitUntilUnmanaged(*dialog));
        for (int showing = 2; showing <= 3; ++showing) {
            dialog = s.OpenPortDialog();
            QVERIFY(dialog);
            expectWindow(*dialog, "通讯端口设置", dialogOuter);
            desktop_.Tap("Escape");
            QVERIFY(s.WaitUntilUnmanaged(*dialog));
        }

        using namespace Layout;
        goToFloor(s, s.Main(), MainLabel7, 1, "岚苑一层界面", {166, 115, 812, 584});
        goToFloor(s, floorShown, FloorLabel26, 2, "岚苑二层界面", {156, 129, 812, 584});
        goToFloor(s, floorShown, FloorLabel27, 3, "岚苑三层界面", {120, 108, 812, 587});
        goToFloor(s, floorShown, FloorLabel28, 4, "岚苑四层界面", {108, 118, 812, 587});
        goToFloor(s, floorShown, FloorLabel29, 5, "岚苑五层界面", {160, 125, 812, 587});
        // Shown a second time.
        goToFloor(s, floorShown, FloorLabel26, 1, "岚苑一层界面", {166, 115, 812, 584});
        desktop_.Click(floorShown, FloorLabel38);
        QVERIFY(s.WaitUntilUnmanaged(floorShown));
        QVERIFY(s.WaitForWindow("楼宇监控系统"));
        expectWindow(s.Main(), "楼宇监控系统", MainOuter);
    }

    // A Wayland session with its X server beside it: the station keeps to the X display, where
    // its windows can be placed, unless the operator chooses another platform.
    void theScreensAppearOnTheXDisplayInAWaylandSession()
    {
        QString error;
        QVERIFY2(desktop_.StartWayland(&error), qPrintable(error));
        const bool started = restartStation(
            [this](QProcessEnvironment& environment) {
                environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
                environment.insert(QStringLiteral("WAYLAND_DISPLAY"), desktop_.WaylandDisplay());
                environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), desktop_.WaylandRuntimeDir());
                environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
            },
            &error);
        QVERIFY2(started, qPrintable(error));
        expectWindow(station().Main(), "楼宇监控系统", MainOuter);
    }

    void theMessageBoxes()
    {
        StationOnDesktop& s = station();

        // 确定 with nothing chosen.
        const auto dialog = s.OpenPortDialog();
        QVERIFY(dialog);
        s.ConfirmPortDialog(*dialog);
        const auto warning = s.WaitForWindow("Warning");
        QVERIFY(warning);
        QCOMPARE(desktop_.Title(*warning), QStringLiteral("Warning"));
        shoot("warning");
        QVERIFY(s.WaitUntilActive(*warning));
        desktop_.Tap("Return");
        QVERIFY(s.WaitUntilUnmanaged(*warning));

        // The line breaks; the next switch command cannot be written.
        QVERIFY(s.OpenCom1());
        s.Bus().OnBus([](BuildingBus& bus) { bus.Close(); });
        desktop_.Click(s.Main(), Layout::MainSwitch1);
        QList<Desktop::WindowId> boxes;
        QVERIFY(WaitFor(
            [&] {
                boxes = desktop_.ClientsTitled("楼宇监控系统");
                boxes.removeAll(s.Main());
                return !boxes.isEmpty();
            },
            StationOnDesktop::WindowMs));
        shoot("write-error");
        QVERIFY(s.WaitUntilActive(boxes.first()));
        desktop_.Tap("Return");
        QVERIFY(s.WaitUntilUnmanaged(boxes.first()));
    }
};

QTEST_GUILESS_MAIN(TestDesktopWindows)
#include "tst_desktopwindows.moc"
