// What asks a component for a repaint: property changes compared before they are stored, the
// update lock and the frame-rate limit as the component forwards them, bounds and palette
// changes. The repaint rules themselves are tst_repaintscheduler's.
#include "components/TiSwitchRocker.h"

#include "support/ComponentAccess.h"

#include <QApplication>
#include <QtTest>

#include <memory>

class RepaintTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TiSwitchRocker> rocker_;
    std::unique_ptr<RepaintCounter> repaints_;

    int repaints() const { return repaints_->Count(); }

private slots:
    void init()
    {
        rocker_ = std::make_unique<TiSwitchRocker>();
        repaints_ = std::make_unique<RepaintCounter>(*rocker_);
    }

    void cleanup()
    {
        repaints_.reset();
        rocker_.reset();
    }

    void unchangedValue_requestsNothing()
    {
        rocker_->SetActive(false);
        rocker_->SetIndicatorMargin(3);
        rocker_->SetBorderMargin(2);
        rocker_->SetShowFocusRect(true);
        rocker_->SetIndicatorActiveColor(clLime);
        rocker_->SetBackGroundColor(clBtnFace);
        rocker_->SetTransparent(false);
        rocker_->SetUpdateFrameRate(60);
        rocker_->SetAutoFrameRate(false);
        rocker_->SetErrorActive(false);
        QCOMPARE(repaints(), 0);

        rocker_->SetIndicatorMargin(4);
        QCOMPARE(repaints(), 1);
        rocker_->SetBackGroundColor(clRed);
        QCOMPARE(repaints(), 2);
    }

    void mouseControlStyle_isStoredWithoutRepaint()
    {
        rocker_->SetMouseControlStyle(TiSwitchRocker::imcsClickIndicator);
        QCOMPARE(rocker_->MouseControlStyle(), TiSwitchRocker::imcsClickIndicator);
        QCOMPARE(repaints(), 0);
    }

    void beginEndUpdate_repaintsOnce()
    {
        rocker_->BeginUpdate();
        rocker_->SetActive(true);
        QVERIFY(rocker_->RepaintPending());
        QVERIFY(!rocker_->BackGroundPending());
        rocker_->SetIndicatorMargin(5);
        rocker_->SetBackGroundColor(clWhite);
        QVERIFY(rocker_->BackGroundPending());
        QCOMPARE(repaints(), 0);
        rocker_->EndUpdate();
        QCOMPARE(repaints(), 1);
        QVERIFY(!rocker_->RepaintPending());
        QVERIFY(!rocker_->BackGroundPending());
        QVERIFY(!rocker_->UpdateLocked());
    }

    void frameRate0_onlyEndUpdateRepaints()
    {
        rocker_->SetUpdateFrameRate(0);
        rocker_->SetAutoFrameRate(true);
        QVERIFY(rocker_->AutoFrameRate());
        QCOMPARE(rocker_->UpdateFrameRate(), 0);
        const int before = repaints();
        rocker_->SetActive(true);
        rocker_->SetIndicatorMargin(7);
        QCOMPARE(repaints(), before);
        QVERIFY(rocker_->RepaintPending());
        rocker_->EndUpdate();
        QCOMPARE(repaints(), before + 1);
    }

    void autoFrameRateOff_releasesTheLockAndShowsPending()
    {
        rocker_->SetUpdateFrameRate(0);
        rocker_->SetAutoFrameRate(true);
        rocker_->BeginUpdate();
        rocker_->SetActive(true);
        const int before = repaints();
        rocker_->SetAutoFrameRate(false);
        QVERIFY(!rocker_->UpdateLocked());
        QCOMPARE(repaints(), before + 1);
        QVERIFY(!rocker_->RepaintPending());
        QVERIFY(!rocker_->BackGroundPending());
    }

    void boundsChange_toTheSameBoundsDoesNothing()
    {
        rocker_->SetBounds(10, 20, 38, 89);
        const int before = repaints();
        rocker_->SetBounds(10, 20, 38, 89);
        rocker_->SetLeft(10);
        rocker_->SetHeight(89);
        QCOMPARE(repaints(), before);
        rocker_->SetLeft(11);
        QCOMPARE(repaints(), before + 1);
        QCOMPARE(rocker_->geometry(), QRect(11, 20, 38, 89));
        rocker_->SetBounds(0, 0, 49, 96);
        QCOMPARE(repaints(), before + 2);
    }

    void boundsChange_byQtGeometryOnAShownWidgetRepaintsOnce()
    {
        QWidget window;
        window.resize(200, 200);
        auto* rocker = new TiSwitchRocker(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const RepaintCounter repaints(*rocker);
        rocker->setGeometry(5, 5, 38, 89);
        QCOMPARE(repaints.Count(), 1);
        rocker->SetBounds(6, 6, 40, 90);
        QCOMPARE(repaints.Count(), 2);
        QCOMPARE(rocker->Width(), 40);
    }

    void requestRepaint_kinds()
    {
        rocker_->BeginUpdate();
        rocker_->RequestRepaint(2);
        rocker_->RequestRepaint(-1);
        QVERIFY(!rocker_->RepaintPending());
        QVERIFY(!rocker_->BackGroundPending());
        rocker_->RequestRepaint(TiComponent::RepaintContents);
        QVERIFY(rocker_->RepaintPending());
        QVERIFY(!rocker_->BackGroundPending());
        rocker_->RequestRepaint(TiComponent::RepaintBackGround);
        QVERIFY(rocker_->BackGroundPending());
        rocker_->EndUpdate();

        const int before = repaints();
        rocker_->RequestRepaint(2);
        QCOMPARE(repaints(), before);
        rocker_->RequestRepaint(0);
        rocker_->RequestRepaint(1);
        QCOMPARE(repaints(), before + 2);
    }

    void loading_stillRequestsRepaints()
    {
        rocker_->BeginLoad();
        rocker_->SetActive(true);
        QCOMPARE(repaints(), 1);
        rocker_->EndLoad();
    }

    void cachedDrawingAndBorderStyle_repaintTheBackground()
    {
        rocker_->BeginUpdate();
        rocker_->SetCachedDrawing(true);
        rocker_->SetBorderStyle(0);
        QVERIFY(!rocker_->BackGroundPending());
        rocker_->SetCachedDrawing(false);
        QVERIFY(rocker_->BackGroundPending());
        QVERIFY(!rocker_->CachedDrawing());
        rocker_->EndUpdate();
        rocker_->BeginUpdate();
        rocker_->SetBorderStyle(2);
        QVERIFY(rocker_->BackGroundPending());
        QCOMPARE(rocker_->BorderStyle(), quint8(2));
        rocker_->EndUpdate();
    }

    void errorFontAndText_repaintTheContents()
    {
        QVERIFY(rocker_->ErrorFont().bold());
        QCOMPARE(rocker_->ErrorFontColor(), clRed);
        QCOMPARE(rocker_->ErrorText(), QStringLiteral("Error"));
        rocker_->SetErrorText(QStringLiteral("Error"));
        rocker_->SetErrorFont(rocker_->ErrorFont());
        QCOMPARE(repaints(), 0);
        QFont font = rocker_->ErrorFont();
        font.setItalic(true);
        rocker_->SetErrorFont(font);
        rocker_->SetErrorText(QStringLiteral("Offline"));
        rocker_->SetErrorFontColor(clBlue);
        QCOMPARE(repaints(), 3);
    }

    void paletteChange_repaintsTheBackground()
    {
        QWidget window;
        auto* rocker = new TiSwitchRocker(&window);
        const RepaintCounter repaints(*rocker);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Button, QColor(1, 2, 3));
        window.setPalette(palette);
        QVERIFY(repaints.Count() > 0);
    }

    void centerPoint_isHalfTheSizeTruncated()
    {
        rocker_->SetBounds(0, 0, 25, 51);
        QCOMPARE(rocker_->GetCenterPoint(), QPoint(12, 25));
    }
};

QTEST_MAIN(RepaintTest)
#include "tst_repaint.moc"
