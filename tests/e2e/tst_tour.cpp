// A scripted run of the whole station against the simulated building: open the port, flip a
// switch on every screen, visit every floor and come back, close. In the sanitizer build this
// is also the leak check of a whole session.
#include "StationOnBus.h"

#include "components/TiSwitchRocker.h"
#include "floors/ClickLabel.h"
#include "floors/FloorScreens.h"
#include "floors/Navigation.h"

class TestTour : public QObject
{
    Q_OBJECT
private slots:
    void everyScreenSwitchesAndEveryFloorIsVisited()
    {
        StationOnBus s;
        s.OpenCom1();
        ScreenSet& screens = s.station->Screens();

        const auto flipFirstSwitchOf = [&s](QWidget* screen) {
            auto* rocker = screen->findChild<TiSwitchRocker*>();
            QVERIFY(rocker);
            const qsizetype before = s.bus.Frames().size();
            QTest::mouseClick(rocker, Qt::LeftButton);
            QVERIFY(s.WaitForFrames(int(before) + 2));
        };
        const auto click = [](QWidget* screen, const char* label) {
            auto* target = screen->findChild<ClickLabel*>(QString::fromLatin1(label));
            QVERIFY(target);
            QTest::mouseClick(target, Qt::LeftButton);
        };

        flipFirstSwitchOf(&s.Main());
        click(&s.Main(), "Label7");
        // From each floor to the next: the next floor is the first label leading upwards.
        const std::array<const char*, 4> upwards{"Label26", "Label27", "Label28", "Label29"};
        for (int floor = 1; floor <= 5; ++floor) {
            FloorScreen* here = FloorScreenOf(screens, floor);
            QTRY_VERIFY(here->isVisible());
            flipFirstSwitchOf(here);
            click(here, floor < 5 ? upwards[std::size_t(floor - 1)] : "Label38");
            QVERIFY(!here->isVisible());
        }
        QTRY_VERIFY(s.Main().isVisible());

        // Every board the tour asked was asked: 1, then the four of each floor. The bus reports
        // what it heard through the event loop, so the last requests may still be on their way.
        const auto boardsAsked = [&s] {
            QList<int> asked = s.bus.StatusRequests();
            std::sort(asked.begin(), asked.end());
            asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
            return asked.size();
        };
        QTRY_COMPARE(boardsAsked(), 21);
        QVERIFY(s.writeErrors.isEmpty());

        QVERIFY(s.Main().close());
        QVERIFY(!s.Main().Comm1.PortOpen());
    }
};

QTEST_MAIN(TestTour)
#include "tst_tour.moc"
