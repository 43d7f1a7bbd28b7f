// Drag and drop on a rocker switch. Drags come in as a platform hands them to Qt, through the
// window-system interface, so Qt's own routing runs: the widget under the pointer, enter, move,
// leave and drop, and a refused drag offered to the parent. A drag the switch starts runs
// through QDrag; the offscreen platform ends every such drag at once, without a drop, so the
// same program runs again on xcb (Xvfb), where the drag moves and lands.
#include "components/TiSwitchRocker.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <qpa/qplatformdrag.h>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

namespace {

QString Name(const QObject* object)
{
    return object ? object->objectName() : QStringLiteral("none");
}

// A window that takes every drop its children leave to it.
class DropSite : public QWidget
{
public:
    QStringList drops;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override
    {
        drops << QStringLiteral("site %1,%2").arg(event->position().x()).arg(event->position().y());
        event->acceptProposedAction();
    }
};

} // namespace

class DragDropTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DropSite> window_;
    TiSwitchRocker* rocker_ = nullptr;
    QMimeData data_;
    QStringList log_;

    static constexpr Qt::DropActions Actions = Qt::CopyAction | Qt::MoveAction;

    bool drag(QPoint at)
    {
        return QWindowSystemInterface::handleDrag(window_->windowHandle(), &data_, at, Actions,
                                                  Qt::LeftButton, {})
            .isAccepted();
    }
    void leaveWindow()
    {
        QWindowSystemInterface::handleDrag(window_->windowHandle(), nullptr, {}, Actions,
                                           Qt::LeftButton, {});
    }
    bool drop(QPoint at)
    {
        return QWindowSystemInterface::handleDrop(window_->windowHandle(), &data_, at, Actions,
                                                  Qt::LeftButton, {})
            .isAccepted();
    }
    // Records every drag event of the switch, which takes every drag offered.
    void listen(TiSwitchRocker& target)
    {
        target.OnDragOver = [this](QObject* sender, QObject* source, int x, int y, TDragState state,
                                   bool& accept) {
            log_ << QStringLiteral("over %1 %2 from %3 at %4,%5 offered %6")
                        .arg(Name(sender), QString::number(state), Name(source))
                        .arg(x)
                        .arg(y)
                        .arg(accept);
        };
        target.OnDragDrop = [this](QObject* sender, QObject* source, int x, int y) {
            log_ << QStringLiteral("drop %1 from %2 at %3,%4")
                        .arg(Name(sender), Name(source))
                        .arg(x)
                        .arg(y);
        };
    }

private slots:
    void init()
    {
        window_ = std::make_unique<DropSite>();
        window_->setAcceptDrops(true);
        window_->resize(300, 200);
        rocker_ = new TiSwitchRocker(window_.get());
        rocker_->setObjectName(QStringLiteral("rocker"));
        rocker_->SetBounds(10, 10, 38, 89);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        log_.clear();
    }

    void cleanup() { window_.reset(); }

    void acceptedDrag_isAskedAtEveryStepAndDropsOnTheSwitch()
    {
        listen(*rocker_);
        QVERIFY(drag(QPoint(20, 30)));
        QVERIFY(drag(QPoint(25, 50)));
        QVERIFY(drop(QPoint(25, 50)));
        // From another program: no source. Positions are the switch's own.
        QCOMPARE(log_, (QStringList{"over rocker 0 from none at 10,20 offered 1",
                                    "over rocker 2 from none at 10,20 offered 1",
                                    "over rocker 2 from none at 15,40 offered 1",
                                    "drop rocker from none at 15,40"}));
        QVERIFY(window_->drops.isEmpty());
    }

    void withoutHandler_theDragGoesOnToTheParent()
    {
        int dropsHere = 0;
        rocker_->OnDragDrop = [&dropsHere](QObject*, QObject*, int, int) { ++dropsHere; };
        QVERIFY(drag(QPoint(20, 30)));
        QVERIFY(drop(QPoint(20, 30)));
        QCOMPARE(window_->drops, QStringList{"site 20,30"});
        QCOMPARE(dropsHere, 0);
    }

    void handler_isAskedAtEveryPlaceAndARefusalHolds()
    {
        // Taken in the lower part of the switch only.
        rocker_->OnDragOver = [this](QObject*, QObject*, int, int y, TDragState state,
                                     bool& accept) {
            log_ << QStringLiteral("%1 at %2").arg(state).arg(y);
            accept = y >= 45;
        };
        rocker_->OnDragDrop = [this](QObject*, QObject*, int, int y) {
            log_ << QStringLiteral("drop at %1").arg(y);
        };
        QVERIFY(!drag(QPoint(20, 30)));
        QVERIFY(!drag(QPoint(20, 40)));
        QVERIFY(drag(QPoint(20, 80)));
        QVERIFY(drop(QPoint(20, 80)));
        QCOMPARE(log_, (QStringList{"0 at 20", "2 at 20", "2 at 30", "2 at 70", "drop at 70"}));

        // Another program may drop where it was refused: the switch does not take it.
        log_.clear();
        QVERIFY(!drag(QPoint(20, 30)));
        QVERIFY(!drop(QPoint(20, 30)));
        QCOMPARE(log_, (QStringList{"0 at 20", "2 at 20"}));
        QVERIFY(window_->drops.isEmpty());
    }

    void leaving_isReportedAtTheLastPosition()
    {
        listen(*rocker_);
        QVERIFY(drag(QPoint(20, 30)));
        QVERIFY(drag(QPoint(200, 150)));
        QVERIFY(drag(QPoint(30, 40)));
        leaveWindow();
        QCOMPARE(log_.mid(2), (QStringList{"over rocker 1 from none at 10,20 offered 1",
                                           "over rocker 0 from none at 20,30 offered 1",
                                           "over rocker 2 from none at 20,30 offered 1",
                                           "over rocker 1 from none at 20,30 offered 1"}));
    }

    void beginDrag_startsThenEndsWithoutATarget()
    {
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QSKIP("Elsewhere a drag waits for the pointer");
        rocker_->OnStartDrag = [this](QObject* sender, QDrag* drag) {
            log_ << QStringLiteral("start %1 source %2").arg(Name(sender), Name(drag->source()));
            drag->mimeData()->setText(QStringLiteral("RY1"));
        };
        rocker_->OnEndDrag = [this](QObject* sender, QObject* target, int x, int y) {
            log_ << QStringLiteral("end %1 on %2 at %3,%4")
                        .arg(Name(sender), Name(target))
                        .arg(x)
                        .arg(y);
        };
        rocker_->BeginDrag();
        // The offscreen platform ends a drag at once, as a refused one.
        QCOMPARE(log_, (QStringList{"start rocker source rocker", "end rocker on none at 0,0"}));
    }

    void beginDrag_landsOnAnotherSwitch()
    {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("The offscreen platform drops nothing; this runs on xcb");
        auto* target = new TiSwitchRocker(window_.get());
        target->setObjectName(QStringLiteral("target"));
        target->SetBounds(100, 10, 38, 89);
        target->show();
        listen(*target);
        rocker_->OnEndDrag = [this](QObject* sender, QObject* onto, int x, int y) {
            log_ << QStringLiteral("end %1 on %2 at %3,%4")
                        .arg(Name(sender), Name(onto))
                        .arg(x)
                        .arg(y);
        };
        QWindow* handle = window_->windowHandle();
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(20, 20));
        QTimer::singleShot(50, this, [handle] { QTest::mouseMove(handle, QPoint(110, 30)); });
        QTimer::singleShot(100, this, [handle] { QTest::mouseMove(handle, QPoint(115, 40)); });
        QTimer::singleShot(150, this, [handle] {
            QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(115, 40));
        });
        rocker_->BeginDrag();
        QCOMPARE(log_.filter("from rocker").size(), log_.size() - 1);
        QCOMPARE(log_.filter("drop").join(' '), QStringLiteral("drop target from rocker at 15,30"));
        QCOMPARE(log_.last(), QStringLiteral("end rocker on target at 15,30"));
    }
};

QTEST_MAIN(DragDropTest)
#include "tst_dragdrop.moc"
