#include "components/TiVCLComponentPrivate.h"

#include "components/Drawing.h"
#include "components/PropertyValue.h"
#include "components/SwallowErrors.h"
#include "components/VirtualKey.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QWheelEvent>

#include <algorithm>

namespace {

// The platform never runs a window timer faster than every 10 ms.
constexpr int MinimumTimerInterval = 10;

int timerInterval(int milliseconds)
{
    return std::max(milliseconds, MinimumTimerInterval);
}

} // namespace

TiVCLComponent::TiVCLComponent(QWidget* parent)
    : TiComponent(parent), d(std::make_unique<Private>())
{
    d->itemManager = std::make_unique<TiOPCItemManager>(this);
    d->itemManager->IsDesigning = [this] { return IsDesigning(); };
    d->itemManager->NewDataHandler = [this](TiOPCItem* item) { newOPCData(item); };
    d->itemManager->OPCDataType = [this](const QString& propertyName) {
        quint16 varType = 0;
        OPCDataType(propertyName, varType);
        return varType;
    };
}

TiVCLComponent::~TiVCLComponent()
{
    d->destroying = true;
}

bool TiVCLComponent::Transparent() const
{
    return d->transparent;
}

void TiVCLComponent::SetTransparent(bool value)
{
    if (value == d->transparent)
        return;
    d->transparent = value;
    // Not opaque: Qt paints what lies beneath first, as for a transparent window.
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    if (value) {
        if (!d->backGroundSnapshot && FitsOffScreenImage(size())) {
            d->backGroundSnapshot =
                std::make_unique<QImage>(Width(), Height(), QImage::Format_RGB32);
            RequestSnapshot();
        }
        RequestSnapshot();
    } else {
        d->backGroundSnapshot.reset();
    }
    BackGroundChange();
}

bool TiVCLComponent::OPCNewDataFilter(TiOPCItem*)
{
    return false;
}

TiOPCItemManager* TiVCLComponent::OPCItemManager() const
{
    return d->itemManager.get();
}

bool TiVCLComponent::ApplyingLinkData() const
{
    return d->applyingLinkData;
}

bool TiVCLComponent::SnapshotPending() const
{
    return d->snapshotPending;
}

void TiVCLComponent::RequestSnapshot()
{
    if (!d->transparent || d->snapshotPending)
        return;
    d->snapshotPending = true;
    BackGroundChange();
}

void TiVCLComponent::TakeSnapshot()
{
    const int w = Width();
    const int h = Height();
    const QRegion visible = visibleRegion();
    const bool uncovered = visible.contains(QPoint(9, 9)) && visible.contains(QPoint(w - 9, 9)) &&
                           visible.contains(QPoint(9, h - 9)) &&
                           visible.contains(QPoint(w - 9, h - 9));
    QWidget* parent = parentWidget();
    if (uncovered && parent) {
        QPainter canvas(d->backGroundSnapshot.get());
        canvas.translate(-pos());
        // What lies behind: the parent itself, then the siblings below this component. Neither
        // this component nor anything above it is drawn, so no paint nests in this one.
        parent->render(&canvas, pos(), QRegion(geometry()), QWidget::DrawWindowBackground);
        for (QObject* child : parent->children()) {
            if (child == this)
                break;
            auto* sibling = qobject_cast<QWidget*>(child);
            if (!sibling || sibling->isWindow() || !sibling->isVisible())
                continue;
            const QRect behind = sibling->geometry() & geometry();
            if (behind.isEmpty())
                continue;
            sibling->render(&canvas, behind.topLeft(), QRegion(behind.translated(-sibling->pos())),
                            QWidget::DrawWindowBackground | QWidget::DrawChildren);
        }
        d->snapshotPending = false;
    } else {
        QPainter canvas(d->backGroundSnapshot.get());
        canvas.fillRect(rect(), ToQColor(BackGroundColor()));
    }
}

void TiVCLComponent::DrawBackGround(QPainter& canvas, TColor color)
{
    if (!d->transparent) {
        TiComponent::DrawBackGround(canvas, color);
        return;
    }
    if (!d->backGroundSnapshot) {
        if (!FitsOffScreenImage(size())) {
            TiComponent::DrawBackGround(canvas, color);
            return;
        }
        d->backGroundSnapshot = std::make_unique<QImage>(Width(), Height(), QImage::Format_RGB32);
    }
    if (d->snapshotPending)
        TakeSnapshot();
    canvas.drawImage(0, 0, *d->backGroundSnapshot);
}

void TiVCLComponent::boundsChanged()
{
    TiComponent::boundsChanged();
    if (d->backGroundSnapshot && d->backGroundSnapshot->size() != size()) {
        if (FitsOffScreenImage(size()))
            d->backGroundSnapshot =
                std::make_unique<QImage>(Width(), Height(), QImage::Format_RGB32);
        else
            d->backGroundSnapshot.reset();
    }
    RequestSnapshot();
}

void TiVCLComponent::FullRepaint()
{
    BackGroundChange();
    RequestSnapshot();
}

void TiVCLComponent::Lock()
{
    if (!d->destroying)
        d->paintLock.lock();
}

void TiVCLComponent::Unlock()
{
    if (!d->destroying)
        d->paintLock.unlock();
}

bool TiVCLComponent::TimerRunning() const
{
    return d->timerId != 0;
}

void TiVCLComponent::TimerStart(int firstInterval, int repeatInterval)
{
    if (d->timerId != 0)
        return;
    d->repeatInterval = repeatInterval;
    if (firstInterval != 0) {
        d->timerId = startTimer(timerInterval(firstInterval));
        d->firstIntervalPending = true;
    } else if (repeatInterval != 0) {
        d->timerId = startTimer(timerInterval(repeatInterval));
        d->firstIntervalPending = false;
    }
}

void TiVCLComponent::TimerStop()
{
    if (d->timerId == 0)
        return;
    killTimer(d->timerId);
    d->timerId = 0;
}

void TiVCLComponent::timerEvent(QTimerEvent* event)
{
    if (d->timerId == 0 || event->timerId() != d->timerId) {
        TiComponent::timerEvent(event);
        return;
    }
    if (d->firstIntervalPending) {
        d->firstIntervalPending = false;
        killTimer(d->timerId);
        d->timerId = startTimer(timerInterval(d->repeatInterval));
    }
    if (OnInternalTimer)
        OnInternalTimer();
}

bool TiVCLComponent::OPCOutputData(const QString& propertyName, const QVariant& value)
{
    if (d->applyingLinkData) {
        d->applyingLinkData = false;
        return false;
    }
    for (int i = 0; i < d->itemManager->Count(); ++i) {
        TiOPCItem* item = d->itemManager->Items(i);
        if (!item->Linked())
            continue;
        if (item->PropertyName().compare(propertyName, Qt::CaseInsensitive) == 0) {
            item->WriteValue(value);
            return true;
        }
    }
    return false;
}

void TiVCLComponent::newOPCData(TiOPCItem* item)
{
    if (item->PropertyName().isEmpty())
        return;
    d->applyingLinkData = true;
    const auto clear = qScopeGuard([this] { d->applyingLinkData = false; });
    // A value the link could not decode arrives empty; applied, its empty text would read as
    // "on" for a two-state property, so only the event reports it.
    if (item->GoodQuality() && item->Value().isValid() && !OPCNewDataFilter(item))
        ApplyPropertyValue(this, QString(), item->Value(), item->PropertyName());
    if (OnNewOPCData)
        OnNewOPCData(d->itemManager->IndexOf(item));
}

bool TiVCLComponent::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            // Tab moves the focus unless the component asks for it.
            quint16 charCode = VK_TAB;
            qint32 result = 0;
            iWantSpecialKey(charCode, result);
            if (result & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) {
                keyPressEvent(key);
                return true;
            }
        }
    }
    return TiComponent::event(event);
}

void TiVCLComponent::changeEvent(QEvent* event)
{
    TiComponent::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        BackGroundChange();
}

void TiVCLComponent::moveEvent(QMoveEvent* event)
{
    TiComponent::moveEvent(event);
    RequestSnapshot();
}

void TiVCLComponent::focusInEvent(QFocusEvent* event)
{
    DoSetFocus();
    TiComponent::focusInEvent(event);
}

void TiVCLComponent::focusOutEvent(QFocusEvent* event)
{
    // Focus that stays in the component (a popup, a child) is not lost.
    QWidget* receiver = QApplication::focusWidget();
    if (receiver != this && !isAncestorOf(receiver))
        DoKillFocus();
    TiComponent::focusOutEvent(event);
}

void TiVCLComponent::keyReleaseEvent(QKeyEvent* event)
{
    // The release reaches iKeyUp twice: first as the reflected key-up, without shift state.
    quint16 key = VirtualKeyOf(event->key());
    SwallowErrors([this, &key] { iKeyUp(key, TShiftState()); });
    TiComponent::keyReleaseEvent(event);
}

void TiVCLComponent::mousePressEvent(QMouseEvent* event)
{
    SwallowErrors([this, event] { TiComponent::mousePressEvent(event); });
}

void TiVCLComponent::mouseReleaseEvent(QMouseEvent* event)
{
    SwallowErrors([this, event] { TiComponent::mouseReleaseEvent(event); });
}

void TiVCLComponent::mouseDoubleClickEvent(QMouseEvent* event)
{
    SwallowErrors([this, event] { TiComponent::mouseDoubleClickEvent(event); });
}

void TiVCLComponent::wheelEvent(QWheelEvent* event)
{
    // Answered by iMouseWheel alone, whatever it answers: the wheel never goes on to the
    // parent, as the platform's default handling would pass on an unanswered one. An
    // instrument that has no use for the wheel thus still keeps it from scrolling or zooming
    // the screen behind it while the pointer rests on the instrument.
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    iMouseWheel(event->angleDelta().y(), shift, event->globalPosition().toPoint());
    event->accept();
}
