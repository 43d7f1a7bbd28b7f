// The rocker switch under real Qt input: mouse presses and releases, double clicks, the space
// bar with auto-repeat, focus changes, program assignments and loading.
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QLineEdit>
#include <QWindow>
#include <QtTest>

#include <memory>
#include <stdexcept>

namespace {

constexpr QPoint Origin(10, 10);

} // namespace

class SwitchInputTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> window;
    TiSwitchRocker* rocker = nullptr;
    QLineEdit* other = nullptr;
    QStringList log;

    QWindow* handle() const { return window->windowHandle(); }

    void press(QPoint local, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(handle(), button, {}, Origin + local);
    }
    void release(QPoint local, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(handle(), button, {}, Origin + local);
    }
    void move(QPoint local) { QTest::mouseMove(handle(), Origin + local); }
    void click(QPoint local)
    {
        press(local);
        release(local);
    }
    void focusSwitch()
    {
        rocker->setFocus();
        QTRY_VERIFY(rocker->hasFocus());
    }

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 200);
        rocker = new TiSwitchRocker(window.get());
        rocker->SetBounds(Origin.x(), Origin.y(), 38, 89);
        other = new QLineEdit(window.get());
        other->setGeometry(100, 10, 80, 24);
        log.clear();
        rocker->OnMouseDown = [this](QObject* sender, TMouseButton b, TShiftState, int, int) {
            QCOMPARE(sender, rocker);
            log << QStringLiteral("MouseDown%1").arg(int(b));
        };
        rocker->OnMouseUp = [this](QObject*, TMouseButton b, TShiftState, int, int) {
            log << QStringLiteral("MouseUp%1").arg(int(b));
        };
        rocker->OnClick = [this](QObject*) { log << QStringLiteral("Click"); };
        rocker->OnDblClick = [this](QObject*) { log << QStringLiteral("DblClick"); };
        rocker->OnChange = [this](QObject* sender) {
            QCOMPARE(sender, rocker);
            log << QStringLiteral("Change%1").arg(rocker->Active());
        };
        rocker->OnChangeUser = [this](QObject* sender) {
            QCOMPARE(sender, rocker);
            QVERIFY(rocker->UserChange());
            log << QStringLiteral("ChangeUser");
        };
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
    }

    void cleanup() { window.reset(); }

    void click_togglesOnceInHandlerOrder()
    {
        click(QPoint(19, 40));
        QVERIFY(rocker->Active());
        QCOMPARE(log, (QStringList{"MouseDown0", "Click", "Change1", "ChangeUser", "MouseUp0"}));
        QVERIFY(!rocker->MouseArmed());
        QVERIFY(!rocker->UserChange());
        QVERIFY(rocker->hasFocus());
        QVERIFY(rocker->Focused());
        click(QPoint(19, 40));
        QVERIFY(!rocker->Active());
    }

    void doubleClick_togglesTwice()
    {
        QTest::mouseDClick(handle(), Qt::LeftButton, {}, Origin + QPoint(19, 40));
        QVERIFY(!rocker->Active());
        QCOMPARE(log.count("Change1"), 1);
        QCOMPARE(log.count("Change0"), 1);
        QCOMPARE(log.count("ChangeUser"), 2);
        QCOMPARE(log.count("DblClick"), 1);
        QCOMPARE(log.count("Click"), 1);
        QCOMPARE(log.indexOf("DblClick"), log.lastIndexOf("MouseDown0") - 1);
    }

    void pressDragOffRelease_doesNothing()
    {
        press(QPoint(19, 40));
        QVERIFY(rocker->MouseArmed());
        move(QPoint(80, 40));
        release(QPoint(80, 40));
        QVERIFY(!rocker->Active());
        QVERIFY(!rocker->MouseArmed());
        QVERIFY(!log.contains("Click"));
        QVERIFY(log.contains("MouseUp0"));
    }

    void pressOffReleaseOn_doesNothing()
    {
        QTest::mousePress(handle(), Qt::LeftButton, {}, QPoint(150, 150));
        QTest::mouseMove(handle(), Origin + QPoint(19, 40));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, Origin + QPoint(19, 40));
        QVERIFY(!rocker->Active());
        QVERIFY(!log.contains("Change1"));
    }

    void rightButton_neitherArmsNorTakesFocus()
    {
        press(QPoint(19, 40), Qt::RightButton);
        QVERIFY(!rocker->MouseArmed());
        QVERIFY(other->hasFocus());
        release(QPoint(19, 40), Qt::RightButton);
        QVERIFY(!rocker->Active());
        QCOMPARE(log, (QStringList{"MouseDown1", "MouseUp1"}));
    }

    void rightRelease_afterLeftPress_toggles()
    {
        press(QPoint(19, 40));
        QTest::mousePress(handle(), Qt::RightButton, {}, Origin + QPoint(19, 40));
        QTest::mouseRelease(handle(), Qt::RightButton, {}, Origin + QPoint(19, 40));
        QVERIFY(rocker->Active());
        release(QPoint(19, 40));
        QVERIFY(rocker->Active());
        QCOMPARE(log.count("Change1"), 1);
    }

    void clickIndicatorStyle_armsOnlyInThePressZone()
    {
        rocker->SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
        // Off: the upper half from the frame's inside to Height div 2 (row 44).
        click(QPoint(19, 60));
        QVERIFY(!rocker->Active());
        click(QPoint(19, 44));
        QVERIFY(!rocker->Active());
        click(QPoint(3, 20));
        QVERIFY(!rocker->Active());
        click(QPoint(19, 43));
        QVERIFY(rocker->Active());
        // On: the lower half, rows 44 to 84.
        click(QPoint(19, 20));
        QVERIFY(rocker->Active());
        click(QPoint(19, 85));
        QVERIFY(rocker->Active());
        click(QPoint(19, 84));
        QVERIFY(!rocker->Active());
        // Left inclusive, right exclusive: columns 4 to 33.
        click(QPoint(4, 43));
        QVERIFY(rocker->Active());
        click(QPoint(34, 60));
        QVERIFY(rocker->Active());
        click(QPoint(33, 44));
        QVERIFY(!rocker->Active());
    }

    void nonArmingLeftPress_stillTakesTheFocus()
    {
        rocker->SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
        press(QPoint(19, 70));
        QVERIFY(rocker->hasFocus());
        QVERIFY(!rocker->MouseArmed());
        release(QPoint(19, 70));
    }

    void space_togglesOnRelease()
    {
        focusSwitch();
        QTest::keyPress(rocker, Qt::Key_Space);
        QVERIFY(rocker->KeyArmed());
        QVERIFY(!rocker->Active());
        QTest::keyRelease(rocker, Qt::Key_Space);
        QVERIFY(rocker->Active());
        QVERIFY(!rocker->KeyArmed());
        QCOMPARE(log, (QStringList{"Change1", "ChangeUser"}));
    }

    void spaceWithShift_togglesToo()
    {
        focusSwitch();
        QTest::keyClick(rocker, Qt::Key_Space, Qt::ShiftModifier);
        QVERIFY(rocker->Active());
    }

    void heldSpace_withAutoRepeat_togglesOnce()
    {
        focusSwitch();
        QTest::keyPress(rocker, Qt::Key_Space);
        for (int i = 0; i < 5; ++i) {
            QTest::simulateEvent(rocker, false, Qt::Key_Space, {}, QStringLiteral(" "), true);
            QTest::simulateEvent(rocker, true, Qt::Key_Space, {}, QStringLiteral(" "), true);
        }
        QVERIFY(!rocker->Active());
        QTest::keyRelease(rocker, Qt::Key_Space);
        QVERIFY(rocker->Active());
        QCOMPARE(log.count("Change1"), 1);
    }

    void otherKeys_changeNothing()
    {
        focusSwitch();
        QTest::keyClick(rocker, Qt::Key_Return);
        QTest::keyClick(rocker, Qt::Key_A);
        QVERIFY(!rocker->Active());
    }

    void spaceDown_focusLost_spaceUp_doesNothing()
    {
        focusSwitch();
        QTest::keyPress(rocker, Qt::Key_Space);
        QTest::keyClick(window.get(), Qt::Key_Tab);
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(!rocker->KeyArmed());
        QVERIFY(!rocker->Focused());
        QTest::keyRelease(other, Qt::Key_Space);
        QVERIFY(!rocker->Active());
        // Even a stray release on the switch finds it disarmed.
        QTest::keyRelease(rocker, Qt::Key_Space);
        QVERIFY(!rocker->Active());
    }

    void focusLost_whilePressed_dropsThePress()
    {
        press(QPoint(19, 40));
        QVERIFY(rocker->MouseArmed());
        other->setFocus();
        QTRY_VERIFY(!rocker->MouseArmed());
        release(QPoint(19, 40));
        QVERIFY(!rocker->Active());
    }

    void spaceDown_dropsAMousePress()
    {
        press(QPoint(19, 40));
        QTest::keyPress(rocker, Qt::Key_Space);
        QVERIFY(!rocker->MouseArmed());
        release(QPoint(19, 40));
        QVERIFY(!rocker->Active());
        QTest::keyRelease(rocker, Qt::Key_Space);
        QVERIFY(rocker->Active());
    }

    void keyDownHandler_mayChangeTheKey()
    {
        focusSwitch();
        rocker->OnKeyDown = [](QObject*, quint16& key, TShiftState) {
            if (key == ' ')
                key = 0;
        };
        QTest::keyClick(rocker, Qt::Key_Space);
        QVERIFY(!rocker->Active());
        rocker->OnKeyDown = [](QObject*, quint16& key, TShiftState) {
            if (key == 'S')
                key = ' ';
        };
        QTest::keyPress(rocker, Qt::Key_S);
        QVERIFY(rocker->KeyArmed());
        QTest::keyRelease(rocker, Qt::Key_Space);
        QVERIFY(rocker->Active());
    }

    void keyHandlerErrors_areSwallowed()
    {
        focusSwitch();
        rocker->OnKeyDown = [](QObject*, quint16&, TShiftState) {
            throw std::runtime_error("key down");
        };
        rocker->OnKeyPress = [](QObject*, QChar&) { throw std::runtime_error("key press"); };
        QTest::keyClick(rocker, Qt::Key_Space);
        QVERIFY(!rocker->Active());
        rocker->OnKeyDown = nullptr;
        rocker->OnKeyPress = nullptr;
        QTest::keyClick(rocker, Qt::Key_Space);
        QVERIFY(rocker->Active());
    }

    void programAssignment_firesOnChangeOnly()
    {
        rocker->SetActive(true);
        QCOMPARE(log, QStringList{"Change1"});
        rocker->SetActive(true);
        QCOMPARE(log, QStringList{"Change1"});
        rocker->SetActive(false);
        QCOMPARE(log, (QStringList{"Change1", "Change0"}));
    }

    void programAssignment_errorReachesTheCallerWithTheValueStored()
    {
        rocker->OnChange = [](QObject*) { throw std::runtime_error("handler"); };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, rocker->SetActive(true));
        QVERIFY(rocker->Active());
    }

    void loading_firesNoEvents()
    {
        rocker->BeginLoad();
        QVERIFY(rocker->ChangeEventsSuppressed());
        rocker->SetActive(true);
        click(QPoint(19, 40));
        QVERIFY(!rocker->Active());
        QVERIFY(!log.contains("Change1"));
        QVERIFY(!log.contains("Change0"));
        QVERIFY(!log.contains("ChangeUser"));
        rocker->EndLoad();
        QVERIFY(!rocker->ChangeEventsSuppressed());
        rocker->SetActive(true);
        QVERIFY(log.contains("Change1"));
    }

    void throwingOnChange_duringAClick_leavesTheSwitchUsable()
    {
        rocker->OnChange = [](QObject*) { throw std::runtime_error("handler"); };
        click(QPoint(19, 40));
        QVERIFY(rocker->Active());
        QVERIFY(!rocker->UserChange());
        QVERIFY(!rocker->MouseArmed());
        rocker->OnChange = [this](QObject*) { log << QStringLiteral("Change"); };
        click(QPoint(19, 40));
        QVERIFY(!rocker->Active());
        QVERIFY(log.contains("Change"));
    }

    void throwingOnChangeUser_duringSpace_leavesTheSwitchUsable()
    {
        focusSwitch();
        rocker->OnChangeUser = [](QObject*) { throw std::runtime_error("handler"); };
        QTest::keyClick(rocker, Qt::Key_Space);
        QVERIFY(rocker->Active());
        QVERIFY(!rocker->UserChange());
        QTest::keyClick(rocker, Qt::Key_Space);
        QVERIFY(!rocker->Active());
    }

    void throwingMouseHandler_isSwallowed()
    {
        rocker->OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) {
            throw std::runtime_error("mouse down");
        };
        click(QPoint(19, 40));
        QVERIFY(rocker->Active());
    }

    void disabled_switchIgnoresInput()
    {
        rocker->SetEnabled(false);
        QVERIFY(!rocker->Enabled());
        click(QPoint(19, 40));
        QVERIFY(!rocker->Active());
        rocker->SetEnabled(true);
        click(QPoint(19, 40));
        QVERIFY(rocker->Active());
    }
};

QTEST_MAIN(SwitchInputTest)
#include "tst_switchinput.moc"
