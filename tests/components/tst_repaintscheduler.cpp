// The repaint rules on the test's clock: the update lock, the pending flags, the frame-rate
// period and EndUpdate.
#include "components/RepaintScheduler.h"

#include <QtTest>

#include <memory>

namespace {

constexpr double Millisecond = 1.0 / (24.0 * 60 * 60 * 1000);

} // namespace

class RepaintSchedulerTest : public QObject
{
    Q_OBJECT

private:
    double now_ = 50000.0;
    int repaints_ = 0;
    std::unique_ptr<RepaintScheduler> scheduler_;

    // The frame-rate limit on at 60 per second, with its first repaint done.
    void limitTo60()
    {
        now_ += 1000 * Millisecond;
        scheduler_->SetAutoFrameRate(true);
        QCOMPARE(repaints_, 1);
        QCOMPARE(scheduler_->LastRepaintTime(), now_);
        repaints_ = 0;
    }

private slots:
    void init()
    {
        now_ = 50000.0;
        repaints_ = 0;
        scheduler_ =
            std::make_unique<RepaintScheduler>([this] { return now_; }, [this] { ++repaints_; });
    }

    void request_withoutLockOrLimit_repaintsAtOnceAndStampsTheTime()
    {
        QCOMPARE(scheduler_->LastRepaintTime(), now_);
        now_ += Millisecond;
        scheduler_->InvalidateChange();
        now_ += Millisecond;
        scheduler_->BackGroundChange();
        QCOMPARE(repaints_, 2);
        QCOMPARE(scheduler_->LastRepaintTime(), now_);
        QVERIFY(!scheduler_->RepaintPending());
        QVERIFY(!scheduler_->BackGroundPending());
    }

    void updateLock_keepsEachKindPendingUntilOneRepaintAtEndUpdate()
    {
        scheduler_->BeginUpdate();
        scheduler_->InvalidateChange();
        QVERIFY(scheduler_->RepaintPending());
        QVERIFY(!scheduler_->BackGroundPending());
        scheduler_->BackGroundChange();
        scheduler_->SetUpdateFrameRate(60);
        QVERIFY(scheduler_->BackGroundPending());
        QCOMPARE(repaints_, 0);
        scheduler_->EndUpdate();
        QCOMPARE(repaints_, 1);
        QVERIFY(!scheduler_->RepaintPending());
        QVERIFY(!scheduler_->BackGroundPending());
        QVERIFY(!scheduler_->UpdateLocked());

        // A flag, not a counter; with nothing pending and no limit, EndUpdate repaints nothing.
        scheduler_->BeginUpdate();
        scheduler_->BeginUpdate();
        scheduler_->EndUpdate();
        QVERIFY(!scheduler_->UpdateLocked());
        QCOMPARE(repaints_, 1);
        scheduler_->InvalidateChange();
        QCOMPARE(repaints_, 2);
    }

    void updateFrameRate_changeRequestsABackgroundRepaint()
    {
        scheduler_->BeginUpdate();
        scheduler_->SetUpdateFrameRate(60);
        QVERIFY(!scheduler_->BackGroundPending());
        scheduler_->SetUpdateFrameRate(30);
        QVERIFY(scheduler_->BackGroundPending());
        QCOMPARE(scheduler_->UpdateFrameRate(), 30);
    }

    void frameRate60_coalescesChangesInsideThePeriod()
    {
        limitTo60();
        now_ += 5 * Millisecond;
        scheduler_->InvalidateChange();
        now_ += 10 * Millisecond;
        scheduler_->InvalidateChange();
        QCOMPARE(repaints_, 0);
        QVERIFY(scheduler_->RepaintPending());

        // Exactly a period after the last repaint is not yet later than it.
        now_ = scheduler_->LastRepaintTime() + 1.0 / (60.0 * 24 * 60 * 60);
        scheduler_->InvalidateChange();
        QCOMPARE(repaints_, 0);
        now_ += Millisecond;
        scheduler_->InvalidateChange();
        QCOMPARE(repaints_, 1);
        QVERIFY(!scheduler_->RepaintPending());
    }

    void frameRate60_endUpdateShowsWhatIsPendingOrWhatThePeriodAllows()
    {
        limitTo60();
        now_ += 2 * Millisecond;
        scheduler_->InvalidateChange();
        QCOMPARE(repaints_, 0);
        scheduler_->EndUpdate();
        QCOMPARE(repaints_, 1);

        // Nothing pending: inside the period nothing, after it a repaint all the same.
        now_ += 2 * Millisecond;
        scheduler_->EndUpdate();
        QCOMPARE(repaints_, 1);
        now_ += 20 * Millisecond;
        scheduler_->EndUpdate();
        QCOMPARE(repaints_, 2);
    }

    void frameRate0_onlyEndUpdateRepaints()
    {
        scheduler_->SetUpdateFrameRate(0);
        scheduler_->SetAutoFrameRate(true);
        repaints_ = 0;
        now_ += 1.0;
        scheduler_->InvalidateChange();
        now_ += 1.0;
        scheduler_->BackGroundChange();
        QCOMPARE(repaints_, 0);
        QVERIFY(scheduler_->RepaintPending());
        scheduler_->EndUpdate();
        QCOMPARE(repaints_, 1);
    }

    void autoFrameRateOff_releasesTheLockAndShowsPending()
    {
        scheduler_->SetUpdateFrameRate(0);
        scheduler_->SetAutoFrameRate(true);
        scheduler_->BeginUpdate();
        scheduler_->InvalidateChange();
        repaints_ = 0;
        scheduler_->SetAutoFrameRate(false);
        QVERIFY(!scheduler_->UpdateLocked());
        QCOMPARE(repaints_, 1);
        QVERIFY(!scheduler_->RepaintPending());
        QVERIFY(!scheduler_->BackGroundPending());
    }

    void largeFrameRates_periodDoesNotOverflow()
    {
        // 49711 a second in 32 bits would make a period of more than a second.
        for (const int rate : {100000, 49711}) {
            init();
            scheduler_->SetUpdateFrameRate(rate);
            scheduler_->SetAutoFrameRate(true);
            repaints_ = 0;
            now_ += 0.1 * Millisecond;
            scheduler_->InvalidateChange();
            QCOMPARE(repaints_, 1);
        }
    }
};

QTEST_MAIN(RepaintSchedulerTest)
#include "tst_repaintscheduler.moc"
