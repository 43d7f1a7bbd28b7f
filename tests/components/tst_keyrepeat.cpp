// A held space bar on a rocker switch, delivered the ways the platforms deliver auto-repeat,
// through the filter that holds back releases where repeats come as release and press pairs.
#include "components/KeyRepeatFilter.h"
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QtTest>

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
    std::unique_ptr<QWidget> window;
    TiSwitchRocker* rocker = nullptr;
    std::unique_ptr<KeyRepeatFilter> filter;
    int changes = 0;

    // What the platform hands over, in order: through the filter to the switch.
    void deliver(QEvent::Type type, ulong timestamp, bool autoRepeat = false)
    {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, SpaceScanCode, 0, 0,
                        QStringLiteral(" "), autoRepeat);
        event.setTimestamp(timestamp);
        if (!filter->Filter(event))
            QApplication::sendEvent(rocker, &event);
    }

private slots:
    void init()
    {
        window = std::make_unique<QWidget>();
        rocker = new TiSwitchRocker(window.get());
        rocker->SetBounds(10, 10, 38, 89);
        changes = 0;
        rocker->OnChange = [this](QObject*) { ++changes; };
        filter = std::make_unique<KeyRepeatFilter>(
            true, [this](QKeyEvent& release) { QApplication::sendEvent(rocker, &release); });
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        rocker->setFocus();
        QTRY_VERIFY(rocker->hasFocus());
    }

    void cleanup()
    {
        filter.reset();
        window.reset();
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
                QTest::qWait(KeyRepeatFilter::HoldMs / 3);
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
        QCOMPARE(changes, 0);
        QVERIFY(rocker->KeyArmed());

        deliver(QEvent::KeyRelease, 2520);
        QTRY_COMPARE(changes, 1);
        QVERIFY(rocker->Active());
        QTest::qWait(2 * KeyRepeatFilter::HoldMs);
        QCOMPARE(changes, 1);
    }

    void aQuickSecondTapTogglesAgain()
    {
        deliver(QEvent::KeyPress, 1000);
        deliver(QEvent::KeyRelease, 1080);
        // A press of its own (a later time stamp) settles the held release at once.
        deliver(QEvent::KeyPress, 1130);
        QCOMPARE(changes, 1);
        deliver(QEvent::KeyRelease, 1210);
        QTRY_COMPARE(changes, 2);
        QVERIFY(!rocker->Active());
    }
};

QTEST_MAIN(KeyRepeatTest)
#include "tst_keyrepeat.moc"
