// The rocker switch as assistive technology sees it and works it: a check box whose toggle
// action is the operator's toggle.
#include "components/TiSwitchRocker.h"

#include <QAccessibleActionInterface>
#include <QtTest>

#include <memory>
#include <stdexcept>

#include "support/AccessibleEvents.h"

class SwitchAccessibleTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> window_;
    TiSwitchRocker* rocker_ = nullptr;
    QStringList log_;

    QAccessibleInterface* accessible() const
    {
        return QAccessible::queryAccessibleInterface(rocker_);
    }
    void toggle() const
    {
        accessible()->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    }

private slots:
    void init()
    {
        window_ = std::make_unique<QWidget>();
        rocker_ = new TiSwitchRocker(window_.get());
        rocker_->OnChange = [this](QObject* sender) {
            log_ << QStringLiteral("OnChange %1 user %2")
                        .arg(sender == rocker_)
                        .arg(rocker_->UserChange());
        };
        rocker_->OnChangeUser = [this](QObject*) { log_ << QStringLiteral("OnChangeUser"); };
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        log_.clear();
        AccessibleEvents::Clear();
    }
    void cleanup() { window_.reset(); }

    void isACheckBox_checkedWhileActive_toldOfEveryChangeBeforeTheHandlersRun()
    {
        QCOMPARE(accessible()->role(), QAccessible::CheckBox);
        QVERIFY(accessible()->state().checkable);
        QVERIFY(accessible()->state().focusable);
        QVERIFY(!accessible()->state().checked);
        // Named by whoever places it: the switch knows no name of its own.
        QVERIFY(accessible()->text(QAccessible::Name).isEmpty());

        int toldWhenHandled = -1;
        rocker_->OnChange = [&](QObject*) {
            toldWhenHandled = AccessibleEvents::CheckedChanges(rocker_);
        };
        rocker_->SetActive(true);
        QVERIFY(accessible()->state().checked);
        QCOMPARE(toldWhenHandled, 1);
        rocker_->SetActive(true);
        QCOMPARE(AccessibleEvents::CheckedChanges(rocker_), 1);
        rocker_->SetActive(false);
        QVERIFY(!accessible()->state().checked);
        QCOMPARE(AccessibleEvents::CheckedChanges(rocker_), 2);
    }

    void toggleAction_flipsAsTheOperatorDoes()
    {
        QVERIFY(accessible()->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        toggle();
        // The caller is answered before the toggle runs.
        QVERIFY(!rocker_->Active());
        QTRY_VERIFY(rocker_->Active());
        QCOMPARE(log_, QStringList({"OnChange 1 user 1", "OnChangeUser"}));
        QVERIFY(!rocker_->UserChange());
        QVERIFY(accessible()->state().checked);

        toggle();
        QTRY_VERIFY(!rocker_->Active());
        QCOMPARE(log_.size(), 4);
    }

    void toggleAction_isRefusedWhileDisabled()
    {
        rocker_->setEnabled(false);
        QVERIFY(!accessible()->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        rocker_->setEnabled(true);
        // Asked while enabled, run after the switch was disabled.
        toggle();
        rocker_->setEnabled(false);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!rocker_->Active());
        QVERIFY(log_.isEmpty());
    }

    void toggleAction_keepsTheNewStateWhenAHandlerFails()
    {
        rocker_->OnChange = [](QObject*) { throw std::runtime_error("handler failed"); };
        toggle();
        QCoreApplication::sendPostedEvents();
        QVERIFY(rocker_->Active());
        QVERIFY(!rocker_->UserChange());
    }
};

QTEST_MAIN(SwitchAccessibleTest)
#include "tst_switchaccessible.moc"
