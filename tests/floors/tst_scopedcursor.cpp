#include <memory>

#include <QTest>
#include <QWidget>

#include "components/TCursor.h"
#include "components/TiSwitchRocker.h"
#include "floors/ScopedCursor.h"

// The busy cursor of a switch flip, a refresh or a move, and the default cursor after it.
class ScopedCursorTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scope_showsItsShapeThenTheDefaultNotTheFormerCursor();
    void end_passesOverAWidgetDestroyedMeanwhile();

private:
    std::unique_ptr<QWidget> screen_;
    QWidget* panel_ = nullptr;
    TiSwitchRocker* rocker_ = nullptr;
};

void ScopedCursorTest::init()
{
    screen_ = std::make_unique<QWidget>();
    panel_ = new QWidget(screen_.get());
    rocker_ = new TiSwitchRocker(panel_);
    rocker_->SetCursor(crHandPoint);
}

void ScopedCursorTest::cleanup()
{
    screen_.reset();
}

void ScopedCursorTest::scope_showsItsShapeThenTheDefaultNotTheFormerCursor()
{
    {
        const ScopedCursor busy(Qt::WaitCursor, {rocker_, nullptr, panel_});
        QCOMPARE(rocker_->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(rocker_->Cursor(), crHourGlass);
        QCOMPARE(panel_->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(screen_->cursor().shape(), Qt::ArrowCursor);
    }
    // The switch showed the hand before; from now on it shows its parent's arrow.
    QVERIFY(!rocker_->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(rocker_->Cursor(), crDefault);
    QCOMPARE(rocker_->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!panel_->testAttribute(Qt::WA_SetCursor));

    // A flip inside another's wait ends first and leaves the screen they share at the default,
    // while the outer flip's switch keeps its busy cursor.
    auto* other = new QWidget(screen_.get());
    {
        const ScopedCursor outer(Qt::WaitCursor, {rocker_, screen_.get()});
        {
            const ScopedCursor inner(Qt::WaitCursor, {other, screen_.get()});
        }
        QCOMPARE(screen_->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!other->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(rocker_->cursor().shape(), Qt::WaitCursor);
    }
    QVERIFY(!rocker_->testAttribute(Qt::WA_SetCursor));
}

void ScopedCursorTest::end_passesOverAWidgetDestroyedMeanwhile()
{
    auto* doomed = new QWidget(screen_.get());
    {
        const ScopedCursor busy(Qt::BusyCursor, {doomed, screen_.get()});
        QCOMPARE(screen_->cursor().shape(), Qt::BusyCursor);
        delete doomed;
    }
    QCOMPARE(screen_->cursor().shape(), Qt::ArrowCursor);
}

QTEST_MAIN(ScopedCursorTest)
#include "tst_scopedcursor.moc"
