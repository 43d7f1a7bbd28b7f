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
    std::unique_ptr<QWidget> window_;
    TiSwitchRocker* rocker_ = nullptr;
    QLineEdit* other_ = nullptr;
    QStringList log_;

    QWindow* handle() const { return window_->windowHandle(); }

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
        rocker_->setFocus();
        QTRY_VERIFY(rocker_->hasFocus());
    }

private slots:
    void init()
    {
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 200);
        rocker_ = new TiSwitchRocker(window_.get());
        rocker_->SetBounds(Origin.x(), Origin.y(), 38, 89);
        other_ = new QLineEdit(window_.get());
        other_->setGeometry(100, 10, 80, 24);
        log_.clear();
        rocker_->OnMouseDown = [this](QObject* sender, TMouseButton b, TShiftState, int, int) {
            QCOMPARE(sender, rocker_);
            log_ << QStringLiteral("MouseDown%1").arg(int(b));
        };
        rocker_->OnMouseUp = [this](QObject*, TMouseButton b, TShiftState, int, int) {
            log_ << QStringLiteral("MouseUp%1").arg(int(b));
        };
        rocker_->OnClick = [this](QObject*) { log_ << QStringLiteral("Click"); };
        rocker_->OnDblClick = [this](QObject*) { log_ << QStringLiteral("DblClick"); };
        rocker_->OnChange = [this](QObject* sender) {
            QCOMPARE(sender, rocker_);
            log_ << QStringLiteral("Change%1").arg(rocker_->Active());
        };
        rocker_->OnChangeUser = [this](QObject* sender) {
            QCOMPARE(sender, rocker_);
            QVERIFY(rocker_->UserChange());
            log_ << QStringLiteral("ChangeUser");
        };
        window_->show();
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        other_->setFocus();
        QTRY_VERIFY(other_->hasFocus());
    }

    void cleanup() { window_.reset(); }

    void click_togglesOnceInHandlerOrder()
    {
        click(QPoint(19, 40));
        QVERIFY(rocker_->Active());
        QCOMPARE(log_, (QStringList{"MouseDown0", "Click", "Change1", "ChangeUser", "MouseUp0"}));
        QVERIFY(!rocker_->MouseArmed());
        QVERIFY(!rocker_->UserChange());
        QVERIFY(rocker_->hasFocus());
        QVERIFY(rocker_->Focused());
        click(QPoint(19, 40));
        QVERIFY(!rocker_->Active());
    }

    void doubleClick_togglesTwice()
    {
        QTest::mouseDClick(handle(), Qt::LeftButton, {}, Origin + QPoint(19, 40));
        QVERIFY(!rocker_->Active());
        QCOMPARE(log_.count("Change1"), 1);
        QCOMPARE(log_.count("Change0"), 1);
        QCOMPARE(log_.count("ChangeUser"), 2);
        QCOMPARE(log_.count("DblClick"), 1);
        QCOMPARE(log_.count("Click"), 1);
        QCOMPARE(log_.indexOf("DblClick"), log_.lastIndexOf("MouseDown0") - 1);
    }

    void pressDragOffRelease_doesNothing()
    {
        press(QPoint(19, 40));
        QVERIFY(rocker_->MouseArmed());
        move(QPoint(80, 40));
        release(QPoint(80, 40));
        QVERIFY(!rocker_->Active());
        QVERIFY(!rocker_->MouseArmed());
        QVERIFY(!log_.contains("Click"));
        QVERIFY(log_.contains("MouseUp0"));
    }

    void pressOffReleaseOn_doesNothing()
    {
        QTest::mousePress(handle(), Qt::LeftButton, {}, QPoint(150, 150));
        QTest::mouseMove(handle(), Origin + QPoint(19, 40));
        QTest::mouseRelease(handle(), Qt::LeftButton, {}, Origin + QPoint(19, 40));
        QVERIFY(!rocker_->Active());
        QVERIFY(!log_.contains("Change1"));
    }

    void rightButton_neitherArmsNorTakesFocus()
    {
        press(QPoint(19, 40), Qt::RightButton);
        QVERIFY(!rocker_->MouseArmed());
        QVERIFY(other_->hasFocus());
        release(QPoint(19, 40), Qt::RightButton);
        QVERIFY(!rocker_->Active());
        QCOMPARE(log_, (QStringList{"MouseDown1", "MouseUp1"}));
    }

    void rightRelease_afterLeftPress_toggles()
    {
        press(QPoint(19, 40));
        QTest::mousePress(handle(), Qt::RightButton, {}, Origin + QPoint(19, 40));
        QTest::mouseRelease(handle(), Qt::RightButton, {}, Origin + QPoint(19, 40));
        QVERIFY(rocker_->Active());
        release(QPoint(19, 40));
        QVERIFY(rocker_->Active());
        QCOMPARE(log_.count("Change1"), 1);
    }

    void clickIndicatorStyle_armsOnlyInThePressZone()
    {
        rocker_->SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
        // Off: the upper half from the frame's inside to Height div 2 (row 44).
        click(QPoint(19, 60));
        QVERIFY(!rocker_->Active());
        click(QPoint(19, 44));
        QVERIFY(!rocker_->Active());
        click(QPoint(3, 20));
        QVERIFY(!rocker_->Active());
        click(QPoint(19, 43));
        QVERIFY(rocker_->Active());
        // On: the lower half, rows 44 to 84.
        click(QPoint(19, 20));
        QVERIFY(rocker_->Active());
        click(QPoint(19, 85));
        QVERIFY(rocker_->Active());
        click(QPoint(19, 84));
        QVERIFY(!rocker_->Active());
        // Left inclusive, right exclusive: columns 4 to 33.
        click(QPoint(4, 43));
        QVERIFY(rocker_->Active());
        click(QPoint(34, 60));
        QVERIFY(rocker_->Active());
        click(QPoint(33, 44));
        QVERIFY(!rocker_->Active());
    }

    void nonArmingLeftPress_stillTakesTheFocus()
    {
        rocker_->SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
        press(QPoint(19, 70));
        QVERIFY(rocker_->hasFocus());
        QVERIFY(!rocker_->MouseArmed());
        release(QPoint(19, 70));
    }

    void space_togglesOnRelease()
    {
        focusSwitch();
        QTest::keyPress(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->KeyArmed());
        QVERIFY(!rocker_->Active());
        QTest::keyRelease(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
        QVERIFY(!rocker_->KeyArmed());
        QCOMPARE(log_, (QStringList{"Change1", "ChangeUser"}));
    }

    void spaceWithShift_togglesToo()
    {
        focusSwitch();
        QTest::keyClick(rocker_, Qt::Key_Space, Qt::ShiftModifier);
        QVERIFY(rocker_->Active());
    }

    void heldSpace_withAutoRepeat_togglesOnce()
    {
        focusSwitch();
        QTest::keyPress(rocker_, Qt::Key_Space);
        for (int i = 0; i < 5; ++i) {
            QTest::simulateEvent(rocker_, false, Qt::Key_Space, {}, QStringLiteral(" "), true);
            QTest::simulateEvent(rocker_, true, Qt::Key_Space, {}, QStringLiteral(" "), true);
        }
        QVERIFY(!rocker_->Active());
        QTest::keyRelease(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
        QCOMPARE(log_.count("Change1"), 1);
    }

    void otherKeys_changeNothing()
    {
        focusSwitch();
        QTest::keyClick(rocker_, Qt::Key_Return);
        QTest::keyClick(rocker_, Qt::Key_A);
        QVERIFY(!rocker_->Active());
    }

    void spaceDown_focusLost_spaceUp_doesNothing()
    {
        focusSwitch();
        QTest::keyPress(rocker_, Qt::Key_Space);
        QTest::keyClick(window_.get(), Qt::Key_Tab);
        QTRY_VERIFY(other_->hasFocus());
        QVERIFY(!rocker_->KeyArmed());
        QVERIFY(!rocker_->Focused());
        QTest::keyRelease(other_, Qt::Key_Space);
        QVERIFY(!rocker_->Active());
        // Even a stray release on the switch finds it disarmed.
        QTest::keyRelease(rocker_, Qt::Key_Space);
        QVERIFY(!rocker_->Active());
    }

    void focusLost_whilePressed_dropsThePress()
    {
        press(QPoint(19, 40));
        QVERIFY(rocker_->MouseArmed());
        other_->setFocus();
        QTRY_VERIFY(!rocker_->MouseArmed());
        release(QPoint(19, 40));
        QVERIFY(!rocker_->Active());
    }

    void spaceDown_dropsAMousePress()
    {
        press(QPoint(19, 40));
        QTest::keyPress(rocker_, Qt::Key_Space);
        QVERIFY(!rocker_->MouseArmed());
        release(QPoint(19, 40));
        QVERIFY(!rocker_->Active());
        QTest::keyRelease(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
    }

    void keyDownHandler_mayChangeTheKey()
    {
        focusSwitch();
        rocker_->OnKeyDown = [](QObject*, quint16& key, TShiftState) {
            if (key == ' ')
                key = 0;
        };
        QTest::keyClick(rocker_, Qt::Key_Space);
        QVERIFY(!rocker_->Active());
        rocker_->OnKeyDown = [](QObject*, quint16& key, TShiftState) {
            if (key == 'S')
                key = ' ';
        };
        QTest::keyPress(rocker_, Qt::Key_S);
        QVERIFY(rocker_->KeyArmed());
        QTest::keyRelease(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
    }

    void keyHandlerErrors_areSwallowed()
    {
        focusSwitch();
        rocker_->OnKeyDown = [](QObject*, quint16&, TShiftState) {
            throw std::runtime_error("key down");
        };
        rocker_->OnKeyPress = [](QObject*, QChar&) { throw std::runtime_error("key press"); };
        QTest::keyClick(rocker_, Qt::Key_Space);
        QVERIFY(!rocker_->Active());
        rocker_->OnKeyDown = nullptr;
        rocker_->OnKeyPress = nullptr;
        QTest::keyClick(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
    }

    void programAssignment_firesOnChangeOnly()
    {
        rocker_->SetActive(true);
        QCOMPARE(log_, QStringList{"Change1"});
        rocker_->SetActive(true);
        QCOMPARE(log_, QStringList{"Change1"});
        rocker_->SetActive(false);
        QCOMPARE(log_, (QStringList{"Change1", "Change0"}));
    }

    void programAssignment_errorReachesTheCallerWithTheValueStored()
    {
        rocker_->OnChange = [](QObject*) { throw std::runtime_error("handler"); };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, rocker_->SetActive(true));
        QVERIFY(rocker_->Active());
    }

    void loading_firesNoEvents()
    {
        rocker_->BeginLoad();
        QVERIFY(rocker_->ChangeEventsSuppressed());
        rocker_->SetActive(true);
        click(QPoint(19, 40));
        QVERIFY(!rocker_->Active());
        QVERIFY(!log_.contains("Change1"));
        QVERIFY(!log_.contains("Change0"));
        QVERIFY(!log_.contains("ChangeUser"));
        rocker_->EndLoad();
        QVERIFY(!rocker_->ChangeEventsSuppressed());
        rocker_->SetActive(true);
        QVERIFY(log_.contains("Change1"));
    }

    void throwingOnChange_duringAClick_leavesTheSwitchUsable()
    {
        rocker_->OnChange = [](QObject*) { throw std::runtime_error("handler"); };
        click(QPoint(19, 40));
        QVERIFY(rocker_->Active());
        QVERIFY(!rocker_->UserChange());
        QVERIFY(!rocker_->MouseArmed());
        rocker_->OnChange = [this](QObject*) { log_ << QStringLiteral("Change"); };
        click(QPoint(19, 40));
        QVERIFY(!rocker_->Active());
        QVERIFY(log_.contains("Change"));
    }

    void throwingOnChangeUser_duringSpace_leavesTheSwitchUsable()
    {
        focusSwitch();
        rocker_->OnChangeUser = [](QObject*) { throw std::runtime_error("handler"); };
        QTest::keyClick(rocker_, Qt::Key_Space);
        QVERIFY(rocker_->Active());
        QVERIFY(!rocker_->UserChange());
        QTest::keyClick(rocker_, Qt::Key_Space);
        QVERIFY(!rocker_->Active());
    }

    void throwingMouseHandler_isSwallowed()
    {
        rocker_->OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) {
            throw std::runtime_error("mouse down");
        };
        click(QPoint(19, 40));
        QVERIFY(rocker_->Active());
    }

    void disabled_switchIgnoresInput()
    {
        rocker_->SetEnabled(false);
        QVERIFY(!rocker_->Enabled());
        click(QPoint(19, 40));
        QVERIFY(!rocker_->Active());
        rocker_->SetEnabled(true);
        click(QPoint(19, 40));
        QVERIFY(rocker_->Active());
    }
};

QTEST_MAIN(SwitchInputTest)
#include "tst_switchinput.moc"
