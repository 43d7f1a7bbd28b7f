// The windowed layer: focus tracking, the doubled key-up, the special-key and wheel hooks,
// the window timer, and transparency over a snapshot of the parent's pixels.
#include "components/TiSwitchRocker.h"
#include "components/VirtualKey.h"

#include "support/ComponentAccess.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

namespace {

class HookedComponent : public TiVCLComponent
{
public:
    using TiVCLComponent::TiVCLComponent;

    void PaintTo(QPainter& canvas) override { DrawBackGround(canvas, BackGroundColor()); }

    QStringList calls;
    qint32 specialKeys = 0;
    bool wheelHandled = false;
    int wheelDelta = 0;
    int kills = 0;

protected:
    void iMouseUp(TMouseButton button, TShiftState shift, int x, int y) override
    {
        calls
            << QStringLiteral("iMouseUp %1 %2 %3,%4").arg(button).arg(shift.toInt()).arg(x).arg(y);
    }
    void iKeyUp(quint16& key, TShiftState shift) override
    {
        calls << QStringLiteral("iKeyUp %1 %2").arg(key).arg(shift.toInt());
    }
    void iKeyDown(quint16& key, TShiftState) override
    {
        calls << QStringLiteral("iKeyDown %1").arg(key);
    }
    void iWantSpecialKey(quint16& charCode, qint32& result) override
    {
        if (charCode == VK_TAB)
            result |= specialKeys;
    }
    bool iMouseWheel(int delta, TShiftState, const QPoint&) override
    {
        wheelDelta = delta;
        return wheelHandled;
    }
    void DoKillFocus() override
    {
        ++kills;
        TiVCLComponent::DoKillFocus();
    }
};

class WheelCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Wheel)
            ++count;
        return false;
    }
};

// A wheel turned over the window as the platform reports it, not sent to a widget directly.
void TurnWheel(QWidget& window, QPoint position, int delta)
{
    QWindow* handle = window.windowHandle();
    QWindowSystemInterface::handleWheelEvent(handle, position, handle->mapToGlobal(position),
                                             QPoint(), QPoint(0, delta));
    QWindowSystemInterface::flushWindowSystemEvents();
}

int RegisteredInterval(QObject* object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    return timers.size() == 1 ? timers.front().interval : -int(timers.size());
}

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

void FillWith(QWidget* widget, QColor color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

class WindowedTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> window;
    HookedComponent* component = nullptr;
    QLineEdit* other = nullptr;

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(200, 200);
        FillWith(window.get(), QColor(0x20, 0x40, 0xC0));
        component = new HookedComponent(window.get());
        component->SetBounds(10, 10, 38, 89);
        component->SetTabStop(true);
        component->SetBackGroundColor(clRed);
        other = new QLineEdit(window.get());
        other->setGeometry(100, 10, 80, 24);
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        component->setFocus();
        QTRY_VERIFY(component->Focused());
    }

    void cleanup() { window.reset(); }

    void focusLost_deliversAReleaseAtTheOrigin()
    {
        other->setFocus();
        QTRY_VERIFY(!component->Focused());
        QCOMPARE(component->kills, 1);
        QCOMPARE(component->calls, QStringList{"iMouseUp 0 0 0,0"});
    }

    void focusOut_withTheFocusStayingHere_isNotALoss()
    {
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(component, &popup);
        QCOMPARE(component->kills, 0);
        QVERIFY(component->Focused());

        auto* child = new QLineEdit(component);
        child->show();
        child->setFocus();
        QTRY_VERIFY(child->hasFocus());
        QCOMPARE(component->kills, 0);
    }

    void keyUp_reachesTheHookTwice()
    {
        component->OnKeyUp = [](QObject*, quint16& key, TShiftState) {
            if (key == VK_SPACE)
                key = 'X';
        };
        QTest::keyRelease(component, Qt::Key_Space, Qt::ShiftModifier);
        // The Shift key's own release follows.
        QCOMPARE(component->calls.mid(0, 2),
                 (QStringList{QStringLiteral("iKeyUp 32 0"),
                              QStringLiteral("iKeyUp %1 %2").arg(int('X')).arg(int(ssShift))}));
    }

    void autoRepeatedRelease_isNoRelease()
    {
        QTest::simulateEvent(component, false, Qt::Key_Space, {}, QStringLiteral(" "), true);
        QVERIFY(component->calls.isEmpty());
        QTest::simulateEvent(component, true, Qt::Key_Space, {}, QStringLiteral(" "), true);
        QCOMPARE(component->calls, QStringList{"iKeyDown 32"});
    }

    void tab_movesTheFocusUnlessTheComponentWantsIt()
    {
        QTest::keyClick(component, Qt::Key_Tab);
        QTRY_VERIFY(other->hasFocus());
        QVERIFY(component->calls.filter("iKeyDown").isEmpty());

        component->setFocus();
        QTRY_VERIFY(component->hasFocus());
        component->specialKeys = DLGC_WANTTAB;
        QTest::keyClick(component, Qt::Key_Tab);
        QVERIFY(component->hasFocus());
        QCOMPARE(component->calls.filter("iKeyDown"), QStringList{"iKeyDown 9"});
    }

    void wheel_isAnsweredByTheHookOnly()
    {
        WheelCounter reachingTheWindow;
        window->installEventFilter(&reachingTheWindow);
        // Qt's own routing passes a wheel that a plain widget leaves alone on to its parent.
        auto* plain = new QWidget(window.get());
        plain->setGeometry(10, 150, 30, 30);
        plain->show();
        TurnWheel(*window, QPoint(20, 160), 120);
        QCOMPARE(reachingTheWindow.count, 1);

        for (const bool handled : {false, true}) {
            component->wheelHandled = handled;
            const int delta = handled ? -120 : 120;
            TurnWheel(*window, QPoint(20, 20), delta);
            QCOMPARE(component->wheelDelta, delta);
            QCOMPARE(reachingTheWindow.count, 1);
        }
    }

    void timer_runsTheFirstIntervalThenTheRepeat()
    {
        int ticks = 0;
        component->OnInternalTimer = [&ticks] { ++ticks; };
        component->TimerStart(0, 0);
        QVERIFY(!component->TimerRunning());
        QCOMPARE(RegisteredInterval(component), 0);

        component->TimerStart(20, 500);
        QVERIFY(component->TimerRunning());
        QCOMPARE(RegisteredInterval(component), 20);
        component->TimerStart(40, 40);
        QCOMPARE(RegisteredInterval(component), 20);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 10000);
        QCOMPARE(RegisteredInterval(component), 500);
        QVERIFY(component->TimerRunning());

        component->TimerStop();
        QVERIFY(!component->TimerRunning());
        QCOMPARE(RegisteredInterval(component), 0);
        component->TimerStop();
        QVERIFY(!component->TimerRunning());
    }

    void timer_withoutFirstIntervalStartsOnTheRepeat()
    {
        int ticks = 0;
        component->OnInternalTimer = [&ticks] { ++ticks; };
        component->TimerStart(0, 30);
        QCOMPARE(RegisteredInterval(component), 30);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 10000);
        QCOMPARE(RegisteredInterval(component), 30);
        component->TimerStop();
    }

    void transparent_onAndOffTwice_leavesNoSnapshot()
    {
        QVERIFY(component->testAttribute(Qt::WA_OpaquePaintEvent));
        for (int i = 0; i < 2; ++i) {
            component->SetTransparent(true);
            QVERIFY(component->Transparent());
            QVERIFY(ComponentAccess::HasBackGroundSnapshot(*component));
            QVERIFY(component->SnapshotPending());
            QVERIFY(!component->testAttribute(Qt::WA_OpaquePaintEvent));
            component->SetTransparent(false);
            QVERIFY(!ComponentAccess::HasBackGroundSnapshot(*component));
            QVERIFY(component->testAttribute(Qt::WA_OpaquePaintEvent));
        }
        QVERIFY(!component->Transparent());
    }

    void transparent_hugeSizeFromOutside_allocatesNoSnapshot()
    {
        // A size no screen shows, as a hostile properties file may give it.
        component->SetBounds(0, 0, 20000, 20000);
        component->SetTransparent(true);
        QVERIFY(!ComponentAccess::HasBackGroundSnapshot(*component));
        component->SetBounds(0, 0, 38, 89);
        component->SetTransparent(false);
        component->SetTransparent(true);
        QVERIFY(ComponentAccess::HasBackGroundSnapshot(*component));
        component->SetBounds(0, 0, 20000, 20000);
        QVERIFY(!ComponentAccess::HasBackGroundSnapshot(*component));
        component->SetTransparent(false);
    }

    void transparent_showsTheParentsPixels()
    {
        component->SetTransparent(true);
        const QImage image = component->grab().toImage();
        QCOMPARE(At(image, 0, 0), qRgb(0x20, 0x40, 0xC0));
        QCOMPARE(At(image, 37, 88), qRgb(0x20, 0x40, 0xC0));
        QVERIFY(!component->SnapshotPending());
    }

    void transparent_showsSiblingsBelowButNotAbove()
    {
        auto* below = new QWidget(window.get());
        FillWith(below, QColor(0, 0xFF, 0));
        below->setGeometry(0, 0, 20, 200);
        below->show();
        below->lower();
        auto* above = new QWidget(window.get());
        FillWith(above, QColor(0xFF, 0xFF, 0));
        above->setGeometry(30, 30, 5, 5);
        above->show();
        component->SetTransparent(true);

        const QImage image = component->grab().toImage();
        // The sibling below covers parent columns 0 to 19, component columns 0 to 9.
        QCOMPARE(At(image, 9, 50), qRgb(0, 0xFF, 0));
        QCOMPARE(At(image, 10, 50), qRgb(0x20, 0x40, 0xC0));
        QCOMPARE(At(image, 21, 21), qRgb(0x20, 0x40, 0xC0));
        QVERIFY(!component->SnapshotPending());
    }

    void transparent_withACoveredCorner_fallsBackToTheBackGroundColor()
    {
        auto* cover = new QWidget(window.get());
        FillWith(cover, QColor(0, 0xFF, 0));
        cover->setGeometry(35, 85, 30, 30);
        cover->show();
        cover->raise();
        QVERIFY(!component->visibleRegion().contains(QPoint(29, 80)));
        component->SetTransparent(true);

        QImage image = component->grab().toImage();
        QCOMPARE(At(image, 0, 0), qRgb(0xFF, 0, 0));
        QVERIFY(component->SnapshotPending());
        image = component->grab().toImage();
        QCOMPARE(At(image, 0, 0), qRgb(0xFF, 0, 0));
        QVERIFY(component->SnapshotPending());

        // Uncovered, the next paint takes the snapshot.
        cover->hide();
        image = component->grab().toImage();
        QCOMPARE(At(image, 0, 0), qRgb(0x20, 0x40, 0xC0));
        QVERIFY(!component->SnapshotPending());
    }

    void transparent_snapshotIsRetakenAfterAMove()
    {
        component->SetTransparent(true);
        component->grab();
        QVERIFY(!component->SnapshotPending());
        component->SetLeft(12);
        QVERIFY(component->SnapshotPending());
        component->grab();
        component->move(14, 10);
        QVERIFY(component->SnapshotPending());
        component->grab();
        component->FullRepaint();
        QVERIFY(component->SnapshotPending());
    }

    void opaque_fillsWithTheBackGroundColor()
    {
        const QImage image = component->grab().toImage();
        QCOMPARE(At(image, 0, 0), qRgb(0xFF, 0, 0));
        component->FullRepaint();
        QVERIFY(!component->SnapshotPending());
    }

    void borderStyle_drawsAnEdgeWhenOpaque()
    {
        component->SetBorderStyle(2);
        const QImage sunken = component->grab().toImage();
        QCOMPARE(At(sunken, 0, 0), ToQColor(clBtnShadow).rgb());
        QCOMPARE(At(sunken, 37, 88), ToQColor(clBtnHighlight).rgb());
        QCOMPARE(At(sunken, 5, 5), qRgb(0xFF, 0, 0));
        component->SetTransparent(true);
        const QImage transparent = component->grab().toImage();
        QCOMPARE(At(transparent, 0, 0), qRgb(0x20, 0x40, 0xC0));
    }
};

QTEST_MAIN(WindowedTest)
#include "tst_windowed.moc"
