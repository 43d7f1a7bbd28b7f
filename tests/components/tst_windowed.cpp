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
void turnWheel(QWidget& window, QPoint position, int delta)
{
    QWindow* handle = window.windowHandle();
    QWindowSystemInterface::handleWheelEvent(handle, position, handle->mapToGlobal(position),
                                             QPoint(), QPoint(0, delta));
    QWindowSystemInterface::flushWindowSystemEvents();
}

int registeredInterval(QObject* object)
{
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(object);
    return timers.size() == 1 ? timers.front().interval : -int(timers.size());
}

QRgb at(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

void fillWith(QWidget* widget, QColor color)
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
    std::unique_ptr<QWidget> window_;
    HookedComponent* component_ = nullptr;
    QLineEdit* other_ = nullptr;

private slots:
    void init()
    {
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 200);
        fillWith(window_.get(), QColor(0x20, 0x40, 0xC0));
        component_ = new HookedComponent(window_.get());
        component_->SetBounds(10, 10, 38, 89);
        component_->SetTabStop(true);
        component_->SetBackGroundColor(clRed);
        other_ = new QLineEdit(window_.get());
        other_->setGeometry(100, 10, 80, 24);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        component_->setFocus();
        QTRY_VERIFY(component_->Focused());
    }

    void cleanup() { window_.reset(); }

    void focusLost_deliversAReleaseAtTheOrigin()
    {
        other_->setFocus();
        QTRY_VERIFY(!component_->Focused());
        QCOMPARE(component_->kills, 1);
        QCOMPARE(component_->calls, QStringList{"iMouseUp 0 0 0,0"});
    }

    void focusOut_withTheFocusStayingHere_isNotALoss()
    {
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(component_, &popup);
        QCOMPARE(component_->kills, 0);
        QVERIFY(component_->Focused());

        auto* child = new QLineEdit(component_);
        child->show();
        child->setFocus();
        QTRY_VERIFY(child->hasFocus());
        QCOMPARE(component_->kills, 0);
    }

    void keyUp_reachesTheHookTwice()
    {
        component_->OnKeyUp = [](QObject*, quint16& key, TShiftState) {
            if (key == VK_SPACE)
                key = 'X';
        };
        QTest::keyRelease(component_, Qt::Key_Space, Qt::ShiftModifier);
        // The Shift key's own release follows.
        QCOMPARE(component_->calls.mid(0, 2),
                 (QStringList{QStringLiteral("iKeyUp 32 0"),
                              QStringLiteral("iKeyUp %1 %2").arg(int('X')).arg(int(ssShift))}));
    }

    void autoRepeatedRelease_isNoRelease()
    {
        QTest::simulateEvent(component_, false, Qt::Key_Space, {}, QStringLiteral(" "), true);
        QVERIFY(component_->calls.isEmpty());
        QTest::simulateEvent(component_, true, Qt::Key_Space, {}, QStringLiteral(" "), true);
        QCOMPARE(component_->calls, QStringList{"iKeyDown 32"});
    }

    void tab_movesTheFocusUnlessTheComponentWantsIt()
    {
        QTest::keyClick(component_, Qt::Key_Tab);
        QTRY_VERIFY(other_->hasFocus());
        QVERIFY(component_->calls.filter("iKeyDown").isEmpty());

        component_->setFocus();
        QTRY_VERIFY(component_->hasFocus());
        component_->specialKeys = DLGC_WANTTAB;
        QTest::keyClick(component_, Qt::Key_Tab);
        QVERIFY(component_->hasFocus());
        QCOMPARE(component_->calls.filter("iKeyDown"), QStringList{"iKeyDown 9"});
    }

    void wheel_isAnsweredByTheHookOnly()
    {
        WheelCounter reachingTheWindow;
        window_->installEventFilter(&reachingTheWindow);
        // Qt's own routing passes a wheel that a plain widget leaves alone on to its parent.
        auto* plain = new QWidget(window_.get());
        plain->setGeometry(10, 150, 30, 30);
        plain->show();
        turnWheel(*window_, QPoint(20, 160), 120);
        QCOMPARE(reachingTheWindow.count, 1);

        for (const bool handled : {false, true}) {
            component_->wheelHandled = handled;
            const int delta = handled ? -120 : 120;
            turnWheel(*window_, QPoint(20, 20), delta);
            QCOMPARE(component_->wheelDelta, delta);
            QCOMPARE(reachingTheWindow.count, 1);
        }
    }

    void timer_runsTheFirstIntervalThenTheRepeat()
    {
        int ticks = 0;
        component_->OnInternalTimer = [&ticks] { ++ticks; };
        component_->TimerStart(0, 0);
        QVERIFY(!component_->TimerRunning());
        QCOMPARE(registeredInterval(component_), 0);

        component_->TimerStart(20, 500);
        QVERIFY(component_->TimerRunning());
        QCOMPARE(registeredInterval(component_), 20);
        component_->TimerStart(40, 40);
        QCOMPARE(registeredInterval(component_), 20);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 10000);
        QCOMPARE(registeredInterval(component_), 500);
        QVERIFY(component_->TimerRunning());

        component_->TimerStop();
        QVERIFY(!component_->TimerRunning());
        QCOMPARE(registeredInterval(component_), 0);
        component_->TimerStop();
        QVERIFY(!component_->TimerRunning());
    }

    void timer_withoutFirstIntervalStartsOnTheRepeat()
    {
        int ticks = 0;
        component_->OnInternalTimer = [&ticks] { ++ticks; };
        component_->TimerStart(0, 30);
        QCOMPARE(registeredInterval(component_), 30);
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 10000);
        QCOMPARE(registeredInterval(component_), 30);
        component_->TimerStop();
    }

    void transparent_onAndOffTwice_leavesNoSnapshot()
    {
        QVERIFY(component_->testAttribute(Qt::WA_OpaquePaintEvent));
        for (int i = 0; i < 2; ++i) {
            component_->SetTransparent(true);
            QVERIFY(component_->Transparent());
            QVERIFY(ComponentAccess::HasBackGroundSnapshot(*component_));
            QVERIFY(component_->SnapshotPending());
            QVERIFY(!component_->testAttribute(Qt::WA_OpaquePaintEvent));
            component_->SetTransparent(false);
            QVERIFY(!ComponentAccess::HasBackGroundSnapshot(*component_));
            QVERIFY(component_->testAttribute(Qt::WA_OpaquePaintEvent));
        }
        QVERIFY(!component_->Transparent());
    }

    void transparent_hugeSizeFromOutside_allocatesNoSnapshot()
    {
        // A size no screen shows, as a hostile properties file may give it.
        component_->SetBounds(0, 0, 20000, 20000);
        component_->SetTransparent(true);
        QVERIFY(!ComponentAccess::HasBackGroundSnapshot(*component_));
        component_->SetBounds(0, 0, 38, 89);
        component_->SetTransparent(false);
        component_->SetTransparent(true);
        QVERIFY(ComponentAccess::HasBackGroundSnapshot(*component_));
        component_->SetBounds(0, 0, 20000, 20000);
        QVERIFY(!ComponentAccess::HasBackGroundSnapshot(*component_));
        component_->SetTransparent(false);
    }

    void transparent_showsTheParentsPixels()
    {
        component_->SetTransparent(true);
        const QImage image = component_->grab().toImage();
        QCOMPARE(at(image, 0, 0), qRgb(0x20, 0x40, 0xC0));
        QCOMPARE(at(image, 37, 88), qRgb(0x20, 0x40, 0xC0));
        QVERIFY(!component_->SnapshotPending());
    }

    void transparent_showsSiblingsBelowButNotAbove()
    {
        auto* below = new QWidget(window_.get());
        fillWith(below, QColor(0, 0xFF, 0));
        below->setGeometry(0, 0, 20, 200);
        below->show();
        below->lower();
        auto* above = new QWidget(window_.get());
        fillWith(above, QColor(0xFF, 0xFF, 0));
        above->setGeometry(30, 30, 5, 5);
        above->show();
        component_->SetTransparent(true);

        const QImage image = component_->grab().toImage();
        // The sibling below covers parent columns 0 to 19, component columns 0 to 9.
        QCOMPARE(at(image, 9, 50), qRgb(0, 0xFF, 0));
        QCOMPARE(at(image, 10, 50), qRgb(0x20, 0x40, 0xC0));
        QCOMPARE(at(image, 21, 21), qRgb(0x20, 0x40, 0xC0));
        QVERIFY(!component_->SnapshotPending());
    }

    void transparent_withACoveredCorner_fallsBackToTheBackGroundColor()
    {
        auto* cover = new QWidget(window_.get());
        fillWith(cover, QColor(0, 0xFF, 0));
        cover->setGeometry(35, 85, 30, 30);
        cover->show();
        cover->raise();
        QVERIFY(!component_->visibleRegion().contains(QPoint(29, 80)));
        component_->SetTransparent(true);

        QImage image = component_->grab().toImage();
        QCOMPARE(at(image, 0, 0), qRgb(0xFF, 0, 0));
        QVERIFY(component_->SnapshotPending());
        image = component_->grab().toImage();
        QCOMPARE(at(image, 0, 0), qRgb(0xFF, 0, 0));
        QVERIFY(component_->SnapshotPending());

        // Uncovered, the next paint takes the snapshot.
        cover->hide();
        image = component_->grab().toImage();
        QCOMPARE(at(image, 0, 0), qRgb(0x20, 0x40, 0xC0));
        QVERIFY(!component_->SnapshotPending());
    }

    void transparent_snapshotIsRetakenAfterAMove()
    {
        component_->SetTransparent(true);
        component_->grab();
        QVERIFY(!component_->SnapshotPending());
        component_->SetLeft(12);
        QVERIFY(component_->SnapshotPending());
        component_->grab();
        component_->move(14, 10);
        QVERIFY(component_->SnapshotPending());
        component_->grab();
        component_->FullRepaint();
        QVERIFY(component_->SnapshotPending());
    }

    void opaque_fillsWithTheBackGroundColor()
    {
        const QImage image = component_->grab().toImage();
        QCOMPARE(at(image, 0, 0), qRgb(0xFF, 0, 0));
        component_->FullRepaint();
        QVERIFY(!component_->SnapshotPending());
    }

    void borderStyle_drawsAnEdgeWhenOpaque()
    {
        component_->SetBorderStyle(2);
        const QImage sunken = component_->grab().toImage();
        QCOMPARE(at(sunken, 0, 0), ToQColor(clBtnShadow).rgb());
        QCOMPARE(at(sunken, 37, 88), ToQColor(clBtnHighlight).rgb());
        QCOMPARE(at(sunken, 5, 5), qRgb(0xFF, 0, 0));
        component_->SetTransparent(true);
        const QImage transparent = component_->grab().toImage();
        QCOMPARE(at(transparent, 0, 0), qRgb(0x20, 0x40, 0xC0));
    }
};

QTEST_MAIN(WindowedTest)
#include "tst_windowed.moc"
