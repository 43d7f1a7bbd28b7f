// The station as assistive technology sees it and works it, against the simulated bus: switches
// as check boxes named by their relays, indicators that tell their state and its changes, floor
// labels as links that navigate.
#include "StationOnBus.h"
#include "support/AccessibleEvents.h"
#include "support/FrameBytes.h"

#include <QAccessibleActionInterface>

#include "components/TiSwitchRocker.h"
#include "floors/ClickLabel.h"
#include "floors/FloorScreens.h"

namespace {

const QString Toggle = QAccessibleActionInterface::toggleAction();
const QString Press = QAccessibleActionInterface::pressAction();

QAccessibleInterface* accessible(QWidget* screen, const char* name)
{
    auto* control = screen->findChild<QWidget*>(QString::fromLatin1(name));
    return control ? QAccessible::queryAccessibleInterface(control) : nullptr;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
private slots:
    void init() { AccessibleEvents::Clear(); }

    void controlsOfTheMainScreenAndTwoFloors_areNamedTypedAndStated()
    {
        StationOnBus s;
        ScreenSet& screens = s.station->Screens();
        struct Expected
        {
            QWidget* screen;
            const char* object;
            QAccessible::Role role;
            const char* name;
        };
        const QList<Expected> sample{
            {screens.mainfrm, "iSwitchRocker1", QAccessible::CheckBox, "R1"},
            {screens.mainfrm, "iSwitchRocker5", QAccessible::CheckBox, "R5"},
            {screens.mainfrm, "R1", QAccessible::Indicator, "R1"},
            {screens.mainfrm, "R5", QAccessible::Indicator, "R5"},
            {screens.mainfrm, "Label7", QAccessible::Link, "岚一层监控界面"},
            {screens.mainfrm, "Label11", QAccessible::Link, "岚五层监控界面"},
            {screens.firstfrm, "iSwitchRocker1", QAccessible::CheckBox, "RY1"},
            {screens.firstfrm, "iSwitchRocker29", QAccessible::CheckBox, "RY8"},
            {screens.firstfrm, "iSwitchRocker11", QAccessible::CheckBox, "RY9"},
            {screens.firstfrm, "iSwitchRocker26", QAccessible::CheckBox, "RY31"},
            {screens.firstfrm, "R21", QAccessible::Indicator, "R21"},
            {screens.firstfrm, "R57", QAccessible::Indicator, "R57"},
            {screens.firstfrm, "Label26", QAccessible::Link, "岚苑二层灯光监控界面"},
            {screens.firstfrm, "Label38", QAccessible::Link, "岚苑灯光监控主界面"},
            {screens.Thirdfrm, "iSwitchRocker16", QAccessible::CheckBox, "RY19"},
            {screens.Thirdfrm, "iSwitchRocker27", QAccessible::CheckBox, "RY27"},
            {screens.Thirdfrm, "R121", QAccessible::Indicator, "R121"},
            {screens.Thirdfrm, "R137", QAccessible::Indicator, "R137"},
            {screens.Thirdfrm, "Label26", QAccessible::Link, "岚苑一层灯光监控界面"},
            {screens.Thirdfrm, "Label29", QAccessible::Link, "岚苑五层灯光监控界面"},
        };
        for (const Expected& e : sample) {
            const QByteArray where = e.screen->objectName().toLatin1() + '.' + e.object;
            QAccessibleInterface* a = accessible(e.screen, e.object);
            QVERIFY2(a, where);
            QVERIFY2(a->role() == e.role, where);
            QCOMPARE(a->text(QAccessible::Name), QString::fromUtf8(e.name));
            const QAccessible::State state = a->state();
            const QStringList actions = a->actionInterface()->actionNames();
            switch (e.role) {
            case QAccessible::CheckBox:
                QVERIFY2(state.checkable && !state.checked, where);
                QVERIFY2(actions.contains(Toggle), where);
                break;
            case QAccessible::Indicator:
                QCOMPARE(a->text(QAccessible::Value), QStringLiteral("关"));
                QVERIFY2(!state.checked, where);
                break;
            default:
                QVERIFY2(actions.contains(Press), where);
                break;
            }
        }
    }

    void toggleAction_sendsTheSwitchCommand_andTheReplyIsTold()
    {
        StationOnBus s;
        s.OpenCom1();
        auto* rocker = s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker2");
        auto* shape = s.Control<TShape>(&s.Main(), "R2");
        QAccessibleInterface* indicator = QAccessible::queryAccessibleInterface(shape);

        QAccessible::queryAccessibleInterface(rocker)->actionInterface()->doAction(Toggle);
        QVERIFY(s.WaitForFrames(3));
        QCOMPARE(s.bus.Frames()[1].bytes, FrameBytes(BuildSwitchCommand(1, 2, 2)));
        QCOMPARE(s.bus.Frames()[2].bytes, FrameBytes(BuildStatusRequest(1)));
        QVERIFY(rocker->Active());
        QTRY_COMPARE(indicator->text(QAccessible::Value), QStringLiteral("开"));
        QVERIFY(indicator->state().checked);
        QCOMPARE(AccessibleEvents::CheckedChanges(shape), 1);
        // The reply sets all five shapes; only the one whose colour changed is told.
        QCOMPARE(AccessibleEvents::CheckedChanges(s.Control<TShape>(&s.Main(), "R1")), 0);
    }

    void pressAndToggle_goToAFloor_switchThereAndReturn()
    {
        StationOnBus s;
        s.OpenCom1();
        ScreenSet& screens = s.station->Screens();
        auto* label = s.Control<ClickLabel>(&s.Main(), "Label9");
        QAccessibleActionInterface* link =
            QAccessible::queryAccessibleInterface(label)->actionInterface();
        QStringList actionsMeanwhile{QStringLiteral("not looked at")};
        QTimer::singleShot(1000, [&] { actionsMeanwhile = link->actionNames(); });
        s.bus.Frames().clear();

        link->doAction(Press);
        // Queued behind the first: it finds the label disabled, as a second click would.
        link->doAction(Press);
        QTRY_VERIFY_WITH_TIMEOUT(screens.Thirdfrm->isVisible(), 10000);
        QVERIFY(!s.Main().isVisible());
        QVERIFY(actionsMeanwhile.isEmpty());
        QVERIFY(link->actionNames().contains(Press));
        QTRY_COMPARE(s.bus.StatusRequests().size(), 4);
        QCOMPARE(s.bus.StatusRequests(), QList<int>({10, 11, 12, 13}));

        auto* rocker = s.Control<TiSwitchRocker>(screens.Thirdfrm, "iSwitchRocker16");
        s.bus.Frames().clear();
        QAccessible::queryAccessibleInterface(rocker)->actionInterface()->doAction(Toggle);
        QVERIFY(s.WaitForFrames(2));
        QCOMPARE(s.bus.Frames()[0].bytes.toHex(' '),
                 QByteArray("aa 0c 13 04 04 ") + QByteArray("00 ").repeated(20) + "d1");
        QCOMPARE(s.bus.Frames()[1].bytes, FrameBytes(BuildStatusRequest(12)));
        QAccessibleInterface* r123 = accessible(screens.Thirdfrm, "R123");
        QTRY_COMPARE(r123->text(QAccessible::Value), QStringLiteral("开"));
        QCOMPARE(AccessibleEvents::CheckedChanges(r123->object()), 1);

        s.bus.Frames().clear();
        accessible(screens.Thirdfrm, "Label38")->actionInterface()->doAction(Press);
        QTRY_VERIFY(s.Main().isVisible());
        QVERIFY(!screens.Thirdfrm->isVisible());
        QVERIFY(s.WaitForFrames(1));
        QCOMPARE(s.bus.StatusRequests(), QList<int>({1}));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
