// A held space bar on a rocker switch, delivered the ways the platforms deliver auto-repeat,
// through the filter that holds back releases where repeats come as release and press pairs.
#include "components/KeyRepeatFilter.h"
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

namespace {

// X11's key code of the space bar, as the pairs carry it.
constexpr quint32 SpaceScanCode = 65;

enum class Repeats
{
    UnmarkedPairs,
    LatePresses,
    MarkedPairs,
    PressesAlone
};

} // namespace

Q_DECLARE_METATYPE(Repeats)

class KeyRepeatTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> window_;
    TiSwitchRocker* rocker_ = nullptr;
    std::unique_ptr<KeyRepeatFilter> filter_;
    int changes_ = 0;

    // What the platform hands over, in order: through the filter to the switch.
    void deliver(QEvent::Type type, ulong timestamp, bool autoRepeat = false)
    {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, SpaceScanCode, 0, 0,
                        QStringLiteral(" "), autoRepeat);
        event.setTimestamp(timestamp);
        if (!filter_->Filter(event))
            QApplication::sendEvent(rocker_, &event);
    }

private slots:
    void init()
    {
        window_ = std::make_unique<QWidget>();
        rocker_ = new TiSwitchRocker(window_.get());
        rocker_->SetBounds(10, 10, 38, 89);
        changes_ = 0;
        rocker_->OnChange = [this](QObject*) { ++changes_; };
        filter_ = std::make_unique<KeyRepeatFilter>(
            true, [this](QKeyEvent& release) { QApplication::sendEvent(rocker_, &release); });
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        rocker_->setFocus();
        QTRY_VERIFY(rocker_->hasFocus());
    }

    void cleanup()
    {
        filter_.reset();
        window_.reset();
    }

    void aHeldSpaceBarTogglesOnce_data()
    {
        QTest::addColumn<Repeats>("repeats");
        QTest::newRow("release and press pairs with equal time stamps") << Repeats::UnmarkedPairs;
        QTest::newRow("the press of a pair arriving late") << Repeats::LatePresses;
        QTest::newRow("pairs marked as repeats") << Repeats::MarkedPairs;
        QTest::newRow("presses alone") << Repeats::PressesAlone;
    }

    void aHeldSpaceBarTogglesOnce()
    {
        QFETCH(Repeats, repeats);
        deliver(QEvent::KeyPress, 1000);
        for (ulong at = 1660; at < 2500; at += 40) {
            switch (repeats) {
            case Repeats::UnmarkedPairs:
                deliver(QEvent::KeyRelease, at);
                deliver(QEvent::KeyPress, at);
                break;
            case Repeats::LatePresses:
                deliver(QEvent::KeyRelease, at);
                // Late enough to come in another pass of the event loop, early enough that a
                // stall of a loaded machine does not reach the hold time.
                QTest::qWait(KeyRepeatFilter::HoldMs / 10);
                deliver(QEvent::KeyPress, at);
                break;
            case Repeats::MarkedPairs:
                deliver(QEvent::KeyRelease, at, true);
                deliver(QEvent::KeyPress, at, true);
                break;
            case Repeats::PressesAlone:
                deliver(QEvent::KeyPress, at, true);
                break;
            }
        }
        QTest::qWait(2 * KeyRepeatFilter::HoldMs);
        QCOMPARE(changes_, 0);
        QVERIFY(rocker_->KeyArmed());

        deliver(QEvent::KeyRelease, 2520);
        QTRY_COMPARE(changes_, 1);
        QVERIFY(rocker_->Active());
        QTest::qWait(2 * KeyRepeatFilter::HoldMs);
        QCOMPARE(changes_, 1);
    }

    // The switch's own filter, as the station has it: the X server's repeats handed in the way
    // Qt's X11 platform hands them on, a release and a press with equal time stamps, unmarked.
    void onX11_aHeldSpaceBarTogglesTheSwitchOnce()
    {
        if (!KeyRepeatFilter::PlatformSplitsRepeats())
            QSKIP("only Qt's X11 platform hands repeats on as release and press pairs");
        QWindow* handle = window_->windowHandle();
        const auto platform = [handle](QEvent::Type type, ulong timestamp) {
            QWindowSystemInterface::handleExtendedKeyEvent(handle, timestamp, type, Qt::Key_Space,
                                                           Qt::NoModifier, SpaceScanCode, 0, 0,
                                                           QStringLiteral(" "));
            QWindowSystemInterface::flushWindowSystemEvents();
        };
        platform(QEvent::KeyPress, 1000);
        for (ulong at = 1660; at < 2500; at += 40) {
            platform(QEvent::KeyRelease, at);
            platform(QEvent::KeyPress, at);
        }
        QTest::qWait(2 * KeyRepeatFilter::HoldMs);
        QCOMPARE(changes_, 0);
        platform(QEvent::KeyRelease, 2520);
        QTRY_COMPARE(changes_, 1);
        QTest::qWait(2 * KeyRepeatFilter::HoldMs);
        QCOMPARE(changes_, 1);
    }

    void aQuickSecondTapTogglesAgain()
    {
        deliver(QEvent::KeyPress, 1000);
        deliver(QEvent::KeyRelease, 1080);
        // A press of its own (a later time stamp) settles the held release at once.
        deliver(QEvent::KeyPress, 1130);
        QCOMPARE(changes_, 1);
        deliver(QEvent::KeyRelease, 1210);
        QTRY_COMPARE(changes_, 2);
        QVERIFY(!rocker_->Active());
    }
};

QTEST_MAIN(KeyRepeatTest)
#include "tst_keyrepeat.moc"
