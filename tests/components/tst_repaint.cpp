// Property changes to repaint requests: compare before storing, the update lock, the
// frame-rate limit and the bounds change. The frame-rate clock is the test's.
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QtTest>

namespace {

constexpr double Millisecond = 1.0 / (24.0 * 60 * 60 * 1000);

class ClockedRocker : public TiSwitchRocker
{
public:
    using TiSwitchRocker::TiSwitchRocker;

    double now = 50000.0;

protected:
    double Now() const override { return now; }
};

} // namespace

class RepaintTest : public QObject
{
    Q_OBJECT

private slots:
    void unchangedValue_requestsNothing()
    {
        ClockedRocker rocker;
        const int before = rocker.RepaintNowCount();
        rocker.SetActive(false);
        rocker.SetIndicatorMargin(3);
        rocker.SetBorderMargin(2);
        rocker.SetShowFocusRect(true);
        rocker.SetIndicatorActiveColor(clLime);
        rocker.SetBackGroundColor(clBtnFace);
        rocker.SetTransparent(false);
        rocker.SetUpdateFrameRate(60);
        rocker.SetAutoFrameRate(false);
        rocker.SetErrorActive(false);
        QCOMPARE(rocker.RepaintNowCount(), before);

        rocker.SetIndicatorMargin(4);
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
        rocker.SetBackGroundColor(clRed);
        QCOMPARE(rocker.RepaintNowCount(), before + 2);
        QCOMPARE(rocker.LastRepaintTime(), rocker.now);
    }

    void mouseControlStyle_isStoredWithoutRepaint()
    {
        ClockedRocker rocker;
        const int before = rocker.RepaintNowCount();
        rocker.SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
        QCOMPARE(rocker.MouseControlStyle(), TiSwitchRocker::imcsClickIndicator);
        QCOMPARE(rocker.RepaintNowCount(), before);
    }

    void beginEndUpdate_repaintsOnce()
    {
        ClockedRocker rocker;
        const int before = rocker.RepaintNowCount();
        rocker.BeginUpdate();
        rocker.SetActive(true);
        QVERIFY(rocker.RepaintPending());
        QVERIFY(!rocker.BackGroundPending());
        rocker.SetIndicatorMargin(5);
        rocker.SetBackGroundColor(clWhite);
        QVERIFY(rocker.BackGroundPending());
        QCOMPARE(rocker.RepaintNowCount(), before);
        rocker.EndUpdate();
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
        QVERIFY(!rocker.RepaintPending());
        QVERIFY(!rocker.BackGroundPending());
        QVERIFY(!rocker.UpdateLocked());
    }

    void updateLock_isAFlagNotACounter()
    {
        ClockedRocker rocker;
        rocker.BeginUpdate();
        rocker.BeginUpdate();
        rocker.EndUpdate();
        QVERIFY(!rocker.UpdateLocked());
        const int before = rocker.RepaintNowCount();
        rocker.SetBorderMargin(4);
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
    }

    void endUpdate_withNothingPendingDoesNotRepaint()
    {
        ClockedRocker rocker;
        const int before = rocker.RepaintNowCount();
        rocker.BeginUpdate();
        rocker.EndUpdate();
        QCOMPARE(rocker.RepaintNowCount(), before);
    }

    void frameRate60_coalescesChangesInsideThePeriod()
    {
        ClockedRocker rocker;
        rocker.SetAutoFrameRate(true);
        const int first = rocker.RepaintNowCount();
        QCOMPARE(rocker.LastRepaintTime(), rocker.now);

        rocker.now += 5 * Millisecond;
        rocker.SetIndicatorMargin(4);
        QCOMPARE(rocker.RepaintNowCount(), first);
        QVERIFY(rocker.RepaintPending());
        rocker.now += 10 * Millisecond;
        rocker.SetIndicatorMargin(5);
        QCOMPARE(rocker.RepaintNowCount(), first);

        // 20 ms after the last repaint: more than a sixtieth of a second.
        rocker.now += 5 * Millisecond;
        rocker.SetIndicatorMargin(6);
        QCOMPARE(rocker.RepaintNowCount(), first + 1);
        QVERIFY(!rocker.RepaintPending());
    }

    void frameRate60_pendingChangeShowsAtEndUpdate()
    {
        ClockedRocker rocker;
        rocker.SetAutoFrameRate(true);
        const int first = rocker.RepaintNowCount();
        rocker.now += 2 * Millisecond;
        rocker.SetActive(true);
        QCOMPARE(rocker.RepaintNowCount(), first);
        rocker.EndUpdate();
        QCOMPARE(rocker.RepaintNowCount(), first + 1);
    }

    void frameRate0_onlyEndUpdateRepaints()
    {
        ClockedRocker rocker;
        rocker.SetUpdateFrameRate(0);
        rocker.SetAutoFrameRate(true);
        const int before = rocker.RepaintNowCount();
        rocker.now += 1.0;
        rocker.SetActive(true);
        rocker.now += 1.0;
        rocker.SetIndicatorMargin(7);
        QCOMPARE(rocker.RepaintNowCount(), before);
        QVERIFY(rocker.RepaintPending());
        rocker.EndUpdate();
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
    }

    void autoFrameRateOff_releasesTheLockAndShowsPending()
    {
        ClockedRocker rocker;
        rocker.SetUpdateFrameRate(0);
        rocker.SetAutoFrameRate(true);
        rocker.BeginUpdate();
        rocker.SetActive(true);
        const int before = rocker.RepaintNowCount();
        rocker.SetAutoFrameRate(false);
        QVERIFY(!rocker.UpdateLocked());
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
        QVERIFY(!rocker.RepaintPending());
        QVERIFY(!rocker.BackGroundPending());
    }

    void hugeFrameRate_repaintsEveryChange()
    {
        ClockedRocker rocker;
        rocker.SetUpdateFrameRate(100000);
        rocker.SetAutoFrameRate(true);
        const int before = rocker.RepaintNowCount();
        rocker.now += 0.1 * Millisecond;
        rocker.SetIndicatorMargin(4);
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
    }

    void boundsChange_toTheSameBoundsDoesNothing()
    {
        ClockedRocker rocker;
        rocker.SetBounds(10, 20, 38, 89);
        const int before = rocker.RepaintNowCount();
        rocker.SetBounds(10, 20, 38, 89);
        rocker.SetLeft(10);
        rocker.SetHeight(89);
        QCOMPARE(rocker.RepaintNowCount(), before);
        rocker.SetLeft(11);
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
        QCOMPARE(rocker.geometry(), QRect(11, 20, 38, 89));
        rocker.SetBounds(0, 0, 49, 96);
        QCOMPARE(rocker.RepaintNowCount(), before + 2);
    }

    void boundsChange_byQtGeometryOnAShownWidgetRepaintsOnce()
    {
        QWidget window;
        window.resize(200, 200);
        auto* rocker = new ClockedRocker(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int before = rocker->RepaintNowCount();
        rocker->setGeometry(5, 5, 38, 89);
        QCOMPARE(rocker->RepaintNowCount(), before + 1);
        rocker->SetBounds(6, 6, 40, 90);
        QCOMPARE(rocker->RepaintNowCount(), before + 2);
        QCOMPARE(rocker->Width(), 40);
    }

    void requestRepaint_kinds()
    {
        ClockedRocker rocker;
        rocker.BeginUpdate();
        rocker.RequestRepaint(2);
        rocker.RequestRepaint(-1);
        QVERIFY(!rocker.RepaintPending());
        QVERIFY(!rocker.BackGroundPending());
        rocker.RequestRepaint(TiComponent::RepaintContents);
        QVERIFY(rocker.RepaintPending());
        QVERIFY(!rocker.BackGroundPending());
        rocker.RequestRepaint(TiComponent::RepaintBackGround);
        QVERIFY(rocker.BackGroundPending());
        rocker.EndUpdate();

        const int before = rocker.RepaintNowCount();
        rocker.RequestRepaint(2);
        QCOMPARE(rocker.RepaintNowCount(), before);
        rocker.RequestRepaint(0);
        rocker.RequestRepaint(1);
        QCOMPARE(rocker.RepaintNowCount(), before + 2);
    }

    void loading_stillRequestsRepaints()
    {
        ClockedRocker rocker;
        rocker.BeginLoad();
        const int before = rocker.RepaintNowCount();
        rocker.SetActive(true);
        QCOMPARE(rocker.RepaintNowCount(), before + 1);
        rocker.EndLoad();
    }

    void cachedDrawingAndBorderStyle_repaintTheBackground()
    {
        ClockedRocker rocker;
        rocker.BeginUpdate();
        rocker.SetCachedDrawing(true);
        rocker.SetBorderStyle(0);
        QVERIFY(!rocker.BackGroundPending());
        rocker.SetCachedDrawing(false);
        QVERIFY(rocker.BackGroundPending());
        QVERIFY(!rocker.CachedDrawing());
        rocker.EndUpdate();
        rocker.BeginUpdate();
        rocker.SetBorderStyle(2);
        QVERIFY(rocker.BackGroundPending());
        QCOMPARE(rocker.BorderStyle(), quint8(2));
        rocker.EndUpdate();
    }

    void errorFontAndText_repaintTheContents()
    {
        ClockedRocker rocker;
        QVERIFY(rocker.ErrorFont().bold());
        QCOMPARE(rocker.ErrorFontColor(), clRed);
        QCOMPARE(rocker.ErrorText(), QStringLiteral("Error"));
        const int before = rocker.RepaintNowCount();
        rocker.SetErrorText(QStringLiteral("Error"));
        rocker.SetErrorFont(rocker.ErrorFont());
        QCOMPARE(rocker.RepaintNowCount(), before);
        QFont font = rocker.ErrorFont();
        font.setItalic(true);
        rocker.SetErrorFont(font);
        rocker.SetErrorText(QStringLiteral("Offline"));
        rocker.SetErrorFontColor(clBlue);
        QCOMPARE(rocker.RepaintNowCount(), before + 3);
    }

    void paletteChange_repaintsTheBackground()
    {
        QWidget window;
        auto* rocker = new ClockedRocker(&window);
        const int before = rocker->RepaintNowCount();
        QPalette palette = window.palette();
        palette.setColor(QPalette::Button, QColor(1, 2, 3));
        window.setPalette(palette);
        QVERIFY(rocker->RepaintNowCount() > before);
    }

    void centerPoint_isHalfTheSizeTruncated()
    {
        ClockedRocker rocker;
        rocker.SetBounds(0, 0, 25, 51);
        QCOMPARE(rocker.GetCenterPoint(), QPoint(12, 25));
    }
};

QTEST_MAIN(RepaintTest)
#include "tst_repaint.moc"
