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
    std::unique_ptr<QWidget> window;
    TiSwitchRocker* rocker = nullptr;
    QStringList log;

    QAccessibleInterface* accessible() const
    {
        return QAccessible::queryAccessibleInterface(rocker);
    }
    void toggle() const
    {
        accessible()->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    }

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        rocker = new TiSwitchRocker(window.get());
        rocker->OnChange = [this](QObject* sender) {
            log << QStringLiteral("OnChange %1 user %2")
                       .arg(sender == rocker)
                       .arg(rocker->UserChange());
        };
        rocker->OnChangeUser = [this](QObject*) { log << QStringLiteral("OnChangeUser"); };
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        log.clear();
        AccessibleEvents::clear();
    }
    void cleanup() { window.reset(); }

    void isACheckBox_checkedWhileActive_toldOfEveryChangeBeforeTheHandlersRun()
    {
        QCOMPARE(accessible()->role(), QAccessible::CheckBox);
        QVERIFY(accessible()->state().checkable);
        QVERIFY(accessible()->state().focusable);
        QVERIFY(!accessible()->state().checked);
        // Named by whoever places it: the switch knows no name of its own.
        QVERIFY(accessible()->text(QAccessible::Name).isEmpty());

        int toldWhenHandled = -1;
        rocker->OnChange = [&](QObject*) {
            toldWhenHandled = AccessibleEvents::checkedChanges(rocker);
        };
        rocker->SetActive(true);
        QVERIFY(accessible()->state().checked);
        QCOMPARE(toldWhenHandled, 1);
        rocker->SetActive(true);
        QCOMPARE(AccessibleEvents::checkedChanges(rocker), 1);
        rocker->SetActive(false);
        QVERIFY(!accessible()->state().checked);
        QCOMPARE(AccessibleEvents::checkedChanges(rocker), 2);
    }

    void toggleAction_flipsAsTheOperatorDoes()
    {
        QVERIFY(accessible()->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        toggle();
        // The caller is answered before the toggle runs.
        QVERIFY(!rocker->Active());
        QTRY_VERIFY(rocker->Active());
        QCOMPARE(log, QStringList({"OnChange 1 user 1", "OnChangeUser"}));
        QVERIFY(!rocker->UserChange());
        QVERIFY(accessible()->state().checked);

        toggle();
        QTRY_VERIFY(!rocker->Active());
        QCOMPARE(log.size(), 4);
    }

    void toggleAction_isRefusedWhileDisabled()
    {
        rocker->setEnabled(false);
        QVERIFY(!accessible()->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        rocker->setEnabled(true);
        // Asked while enabled, run after the switch was disabled.
        toggle();
        rocker->setEnabled(false);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!rocker->Active());
        QVERIFY(log.isEmpty());
    }

    void toggleAction_keepsTheNewStateWhenAHandlerFails()
    {
        rocker->OnChange = [](QObject*) { throw std::runtime_error("handler failed"); };
        toggle();
        QCoreApplication::sendPostedEvents();
        QVERIFY(rocker->Active());
        QVERIFY(!rocker->UserChange());
    }
};

QTEST_MAIN(SwitchAccessibleTest)
#include "tst_switchaccessible.moc"
