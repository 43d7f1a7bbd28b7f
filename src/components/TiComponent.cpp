#include "components/TiComponent.h"

#include "components/Drawing.h"
#include "components/DropWatch.h"
#include "components/KeyRepeatFilter.h"
#include "components/TCursor.h"
#include "components/VirtualKey.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QDrag>
#include <QDropEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

struct TiComponent::Private
{
    int tag = 0;
    int cursorId = crDefault;
    int helpContext = 0;
    bool showHint = false;
    QPointer<QMenu> popupMenu;

    bool updateLocked = false;
    int updateFrameRate = 60;
    double lastRepaintTime = 0;
    bool repaintPending = false;
    bool backGroundPending = false;
    // The off-screen image, only while a buffered paint draws. Its storage is kept between
    // paints: a new image would also need a new paint engine every time.
    QImage* offScreen = nullptr;
    QImage offScreenStorage;
    TColor backGroundColor = clBtnFace;
    quint8 borderStyle = 0;
    int centerOffsetX = 0;
    int centerOffsetY = 0;
    bool focused = false;
    bool autoFrameRate = false;
    bool cachedDrawing = true;
    bool optionSaveAllProperties = false;
    bool errorActive = false;
    QString errorText = QStringLiteral("Error");
    QFont errorFont;
    TColor errorFontColor = clRed;

    bool loading = false;
    bool designing = false;
    // A left press began a click that its release may complete.
    bool clicked = false;
    // The drag over the component, as its last drag event gave it.
    QPointer<QObject> dragSource;
    QPoint dragPosition;
    bool dragAccepted = false;
    QRect appliedBounds;
    int repaintNowCount = 0;
    std::unique_ptr<KeyRepeatFilter> keyRepeat;
};

namespace {

std::optional<TMouseButton> MouseButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return mbLeft;
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return std::nullopt;
    }
}

// Runs at scope exit, also when an exception leaves the scope.
template <typename F> class ScopeExit
{
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
};

// Only controls that can hold the focus have a place in the tab order, as windowed controls
// have and labels and shapes do not. An instrument counts even without its tab stop: a press
// still gives it the focus.
bool TakesPartInTabOrder(const QWidget* widget)
{
    return qobject_cast<const TiComponent*>(widget) || widget->focusPolicy() != Qt::NoFocus;
}

} // namespace

TiComponent::TiComponent(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>())
{
    // The component paints its whole rectangle itself and sees every mouse move.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    // Every drag is offered to OnDragOver; without it the drag goes on to the parent.
    setAcceptDrops(true);
    d->lastRepaintTime = TiComponent::Now();
    d->errorFont.setBold(true);
    d->appliedBounds = geometry();
    d->keyRepeat = std::make_unique<KeyRepeatFilter>(
        KeyRepeatFilter::PlatformSplitsRepeats(),
        [this](QKeyEvent& release) { keyReleaseEvent(&release); });
}

TiComponent::~TiComponent() = default;

QString TiComponent::Name() const
{
    return objectName();
}

void TiComponent::SetName(const QString& value)
{
    setObjectName(value);
}

int TiComponent::Tag() const
{
    return d->tag;
}

void TiComponent::SetTag(int value)
{
    d->tag = value;
}

int TiComponent::Left() const
{
    return geometry().x();
}

void TiComponent::SetLeft(int value)
{
    SetBounds(value, Top(), Width(), Height());
}

int TiComponent::Top() const
{
    return geometry().y();
}

void TiComponent::SetTop(int value)
{
    SetBounds(Left(), value, Width(), Height());
}

int TiComponent::Width() const
{
    return geometry().width();
}

void TiComponent::SetWidth(int value)
{
    SetBounds(Left(), Top(), value, Height());
}

int TiComponent::Height() const
{
    return geometry().height();
}

void TiComponent::SetHeight(int value)
{
    SetBounds(Left(), Top(), Width(), value);
}

void TiComponent::SetBounds(int left, int top, int width, int height)
{
    // Qt keeps no widget larger than QWIDGETSIZE_MAX, and a rectangle's far edge must fit in
    // an int: bounds from a file or the data link can be anything.
    constexpr int Farthest = std::numeric_limits<int>::max() - QWIDGETSIZE_MAX;
    left = std::clamp(left, -Farthest, Farthest);
    top = std::clamp(top, -Farthest, Farthest);
    width = std::clamp(width, 0, QWIDGETSIZE_MAX);
    height = std::clamp(height, 0, QWIDGETSIZE_MAX);
    if (QRect(left, top, width, height) == geometry())
        return;
    setGeometry(left, top, width, height);
    // A visible widget has already seen its move and resize events.
    if (geometry() != d->appliedBounds)
        BoundsChanged();
}

void TiComponent::BoundsChanged()
{
    d->appliedBounds = geometry();
    BackGroundChange();
}

void TiComponent::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (geometry() != d->appliedBounds)
        BoundsChanged();
}

void TiComponent::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (geometry() != d->appliedBounds)
        BoundsChanged();
}

int TiComponent::Cursor() const
{
    return d->cursorId;
}

void TiComponent::SetCursor(int value)
{
    // An id without a cursor of its own shows the arrow, as the platform's cursor list answers
    // an id it does not hold; the id itself is kept as given.
    if (value == crDefault)
        unsetCursor();
    else
        setCursor(CursorShapeOf(value).value_or(Qt::ArrowCursor));
    d->cursorId = value;
}

QString TiComponent::Hint() const
{
    return toolTip();
}

void TiComponent::SetHint(const QString& value)
{
    setToolTip(value);
}

int TiComponent::HelpContext() const
{
    return d->helpContext;
}

void TiComponent::SetHelpContext(int value)
{
    d->helpContext = value;
}

bool TiComponent::Visible() const
{
    // Visible unless hidden on purpose: a child shows with its parent.
    return !(testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden));
}

void TiComponent::SetVisible(bool value)
{
    setVisible(value);
}

bool TiComponent::Enabled() const
{
    return !testAttribute(Qt::WA_ForceDisabled);
}

void TiComponent::SetEnabled(bool value)
{
    setEnabled(value);
}

bool TiComponent::ShowHint() const
{
    return d->showHint;
}

void TiComponent::SetShowHint(bool value)
{
    d->showHint = value;
}

QMenu* TiComponent::PopupMenu() const
{
    return d->popupMenu.data();
}

void TiComponent::SetPopupMenu(QMenu* value)
{
    d->popupMenu = value;
}

bool TiComponent::OptionSaveAllProperties() const
{
    return d->optionSaveAllProperties;
}

void TiComponent::SetOptionSaveAllProperties(bool value)
{
    SetBooleanProperty(value, d->optionSaveAllProperties, RepaintContents);
}

bool TiComponent::AutoFrameRate() const
{
    return d->autoFrameRate;
}

void TiComponent::SetAutoFrameRate(bool value)
{
    if (value == d->autoFrameRate)
        return;
    d->autoFrameRate = value;
    if (value)
        BackGroundChange();
    else
        EndUpdate();
}

int TiComponent::UpdateFrameRate() const
{
    return d->updateFrameRate;
}

void TiComponent::SetUpdateFrameRate(int value)
{
    SetIntegerProperty(value, d->updateFrameRate, RepaintBackGround);
}

TColor TiComponent::BackGroundColor() const
{
    return d->backGroundColor;
}

QList<QWidget*> TiComponent::TabSiblings() const
{
    QList<QWidget*> siblings;
    QWidget* parent = parentWidget();
    if (!parent)
        return siblings;
    for (QWidget* w = parent->nextInFocusChain(); w && w != parent; w = w->nextInFocusChain()) {
        if (w->parentWidget() == parent && TakesPartInTabOrder(w))
            siblings << w;
    }
    return siblings;
}

int TiComponent::TabOrder() const
{
    return int(TabSiblings().indexOf(const_cast<TiComponent*>(this)));
}

void TiComponent::SetTabOrder(int value)
{
    QList<QWidget*> siblings = TabSiblings();
    const qsizetype current = siblings.indexOf(this);
    if (current < 0)
        return;
    siblings.removeAt(current);
    const qsizetype wanted = value < 0 || value > siblings.size() ? siblings.size() : value;
    if (wanted == current)
        return;
    siblings.insert(wanted, this);
    // Qt leaves the order as it is when the first of a pair ends the window's focus chain; a
    // placeholder behind them all keeps every pair inside the chain.
    QWidget placeholder(parentWidget());
    placeholder.setFocusPolicy(Qt::TabFocus);
    for (qsizetype i = 1; i < siblings.size(); ++i)
        QWidget::setTabOrder(siblings[i - 1], siblings[i]);
}

bool TiComponent::TabStop() const
{
    return focusPolicy() & Qt::TabFocus;
}

void TiComponent::SetTabStop(bool value)
{
    // Never Qt's click focus: only a left press takes the focus, and the hooks decide that.
    setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}

bool TiComponent::UpdateLocked() const
{
    return d->updateLocked;
}

bool TiComponent::RepaintPending() const
{
    return d->repaintPending;
}

bool TiComponent::BackGroundPending() const
{
    return d->backGroundPending;
}

double TiComponent::LastRepaintTime() const
{
    return d->lastRepaintTime;
}

int TiComponent::RepaintNowCount() const
{
    return d->repaintNowCount;
}

quint8 TiComponent::BorderStyle() const
{
    return d->borderStyle;
}

bool TiComponent::Focused() const
{
    return d->focused;
}

bool TiComponent::CachedDrawing() const
{
    return d->cachedDrawing;
}

bool TiComponent::HasOffScreenBuffer() const
{
    return d->offScreen != nullptr;
}

bool TiComponent::ErrorActive() const
{
    return d->errorActive;
}

void TiComponent::SetErrorActive(bool value)
{
    SetBooleanProperty(value, d->errorActive, RepaintBackGround);
}

QString TiComponent::ErrorText() const
{
    return d->errorText;
}

void TiComponent::SetErrorText(const QString& value)
{
    if (value == d->errorText)
        return;
    d->errorText = value;
    InvalidateChange();
}

QFont TiComponent::ErrorFont() const
{
    return d->errorFont;
}

void TiComponent::SetErrorFont(const QFont& value)
{
    if (value == d->errorFont)
        return;
    d->errorFont = value;
    InvalidateChange();
}

TColor TiComponent::ErrorFontColor() const
{
    return d->errorFontColor;
}

void TiComponent::SetErrorFontColor(TColor value)
{
    SetColorProperty(value, d->errorFontColor, RepaintContents);
}

void TiComponent::InvalidateChange()
{
    Request(d->repaintPending);
}

void TiComponent::BackGroundChange()
{
    Request(d->backGroundPending);
}

void TiComponent::RequestRepaint(int kind)
{
    if (kind == RepaintContents)
        InvalidateChange();
    else if (kind == RepaintBackGround)
        BackGroundChange();
}

void TiComponent::Request(bool& pending)
{
    if (d->updateLocked) {
        pending = true;
    } else if (d->autoFrameRate) {
        pending = true;
        CheckFrameRate();
    } else {
        RepaintNow();
    }
}

void TiComponent::CheckFrameRate()
{
    if (!d->autoFrameRate || d->updateFrameRate == 0)
        return;
    // In 64 bits: a large frame rate must not overflow the product.
    const double period = 1.0 / double(qint64(d->updateFrameRate) * 24 * 60 * 60);
    if (Now() > d->lastRepaintTime + period)
        RepaintNow();
}

void TiComponent::RepaintNow()
{
    d->backGroundPending = false;
    d->repaintPending = false;
    d->lastRepaintTime = Now();
    ++d->repaintNowCount;
    update();
}

double TiComponent::Now() const
{
    const QDateTime now = QDateTime::currentDateTime();
    constexpr double MillisecondsPerDay = 24.0 * 60 * 60 * 1000;
    return double(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / MillisecondsPerDay;
}

bool TiComponent::IsDesigning() const
{
    return d->designing;
}

void TiComponent::SetDesigning(bool value)
{
    d->designing = value;
}

void TiComponent::BeginLoad()
{
    d->loading = true;
}

void TiComponent::EndLoad()
{
    d->loading = false;
}

bool TiComponent::ChangeEventsSuppressed() const
{
    return d->loading;
}

QPoint TiComponent::GetCenterPoint() const
{
    return QPoint(Width() / 2 + d->centerOffsetX, Height() / 2 + d->centerOffsetY);
}

void TiComponent::SetCenterOffset(int x, int y)
{
    d->centerOffsetX = x;
    d->centerOffsetY = y;
}

void TiComponent::SetCachedDrawing(bool value)
{
    if (value == d->cachedDrawing)
        return;
    d->cachedDrawing = value;
    BackGroundChange();
}

void TiComponent::SetBorderStyle(quint8 value)
{
    if (value == d->borderStyle)
        return;
    d->borderStyle = value;
    BackGroundChange();
}

void TiComponent::SetBackGroundColor(TColor value)
{
    SetColorProperty(value, d->backGroundColor, RepaintBackGround);
}

void TiComponent::OPCDataType(const QString&, quint16&) {}

bool TiComponent::OPCOutputData(const QString&, const QVariant&)
{
    return false;
}

void TiComponent::FullRepaint()
{
    BackGroundChange();
}

void TiComponent::BeginUpdate()
{
    d->updateLocked = true;
}

void TiComponent::EndUpdate()
{
    d->updateLocked = false;
    if (d->backGroundPending || d->repaintPending)
        RepaintNow();
    else
        CheckFrameRate();
}

void TiComponent::SetBooleanProperty(bool value, bool& field, int kind)
{
    if (value == field)
        return;
    field = value;
    RequestRepaint(kind);
}

void TiComponent::SetIntegerProperty(int value, int& field, int kind)
{
    if (value == field)
        return;
    field = value;
    RequestRepaint(kind);
}

void TiComponent::SetColorProperty(TColor value, TColor& field, int kind)
{
    if (value == field)
        return;
    field = value;
    RequestRepaint(kind);
}

void TiComponent::DrawBackGround(QPainter& canvas, TColor color)
{
    FillRectangle(canvas, rect(), color);
    DrawBorder(canvas);
}

void TiComponent::DrawBorder(QPainter& canvas)
{
    if (d->borderStyle == 1)
        DrawEdge3D(canvas, rect(), 1);
    else if (d->borderStyle == 2)
        DrawEdge3D(canvas, rect(), 0);
}

void TiComponent::paintEvent(QPaintEvent*)
{
    if (Width() <= 0 || Height() <= 0)
        return;
    QPainter canvas(this);
    // A QPicture is the metafile canvas: it records the drawing itself, no image in between.
    const QPaintEngine* engine = canvas.paintEngine();
    if ((engine && engine->type() == QPaintEngine::Picture) || !FitsOffScreenImage(size()))
        PaintDirect(canvas);
    else
        PaintBuffered(canvas);
}

void TiComponent::PaintBuffered(QPainter& canvas)
{
    Lock();
    const ScopeExit release([this] {
        d->offScreen = nullptr;
        Unlock();
    });
    try {
        if (d->offScreenStorage.size() != size())
            d->offScreenStorage = QImage(size(), QImage::Format_RGB32);
        d->offScreen = &d->offScreenStorage;
        {
            QPainter buffer(d->offScreen);
            buffer.setBrush(QBrush(Qt::white, Qt::SolidPattern));
            buffer.setPen(QPen(Qt::black, 0, Qt::SolidLine));
            PaintTo(buffer);
        }
        canvas.drawImage(0, 0, *d->offScreen);
    } catch (const std::exception&) {
        // The paint simply ends; the next one tries again.
    }
}

void TiComponent::PaintDirect(QPainter& canvas)
{
    Lock();
    const bool cachedDrawing = d->cachedDrawing;
    d->cachedDrawing = false;
    const ScopeExit release([this, cachedDrawing] {
        d->cachedDrawing = cachedDrawing;
        Unlock();
    });
    try {
        PaintTo(canvas);
    } catch (const std::exception&) {
        // As for the buffered path.
    }
}

void TiComponent::DoSetFocus()
{
    d->focused = true;
    update();
}

void TiComponent::DoKillFocus()
{
    try {
        d->focused = false;
        // Drops whatever a held button had started.
        iMouseUp(mbLeft, TShiftState(), 0, 0);
        update();
    } catch (const std::exception&) {
        // Losing the focus never fails.
    }
}

void TiComponent::iWantSpecialKey(quint16&, qint32&) {}
void TiComponent::iKeyUp(quint16&, TShiftState) {}
void TiComponent::iKeyDown(quint16&, TShiftState) {}
void TiComponent::iKeyPress(QChar&) {}
void TiComponent::iMouseDown(TMouseButton, TShiftState, int, int) {}
void TiComponent::iMouseUp(TMouseButton, TShiftState, int, int) {}
void TiComponent::iMouseMove(TShiftState, int, int) {}
void TiComponent::iDoubleClick() {}

bool TiComponent::iMouseWheel(int, TShiftState, const QPoint&)
{
    return false;
}

bool TiComponent::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // A held key repeats its press only; the release comes once, when the key is let go.
        if (d->keyRepeat->filter(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::CursorChange:
        // Set through Qt directly, as the screens do for their busy cursors.
        d->cursorId = testAttribute(Qt::WA_SetCursor) ? CursorIdOf(cursor().shape()) : crDefault;
        break;
    case QEvent::FocusOut:
        // The key was let go before the focus left.
        d->keyRepeat->flush();
        break;
    case QEvent::ToolTip:
        if (!d->showHint) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TiComponent::mousePressEvent(QMouseEvent* event)
{
    const auto button = MouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    if (*button == mbLeft)
        d->clicked = true;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    iMouseDown(*button, shift, p.x(), p.y());
    if (OnMouseDown)
        OnMouseDown(this, *button, shift, p.x(), p.y());
}

void TiComponent::mouseReleaseEvent(QMouseEvent* event)
{
    const auto button = MouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    if (*button == mbLeft && d->clicked) {
        d->clicked = false;
        if (rect().contains(p) && OnClick)
            OnClick(this);
    }
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    iMouseUp(*button, shift, p.x(), p.y());
    if (OnMouseUp)
        OnMouseUp(this, *button, shift, p.x(), p.y());
}

void TiComponent::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click: no click of its own, a press all the same.
    const auto button = MouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    if (*button == mbLeft) {
        iDoubleClick();
        if (OnDblClick)
            OnDblClick(this);
    }
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble;
    iMouseDown(*button, shift, p.x(), p.y());
    if (OnMouseDown)
        OnMouseDown(this, *button, shift, p.x(), p.y());
}

void TiComponent::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    iMouseMove(shift, p.x(), p.y());
    if (OnMouseMove)
        OnMouseMove(this, shift, p.x(), p.y());
}

void TiComponent::keyPressEvent(QKeyEvent* event)
{
    const TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
    quint16 key = VirtualKeyOf(event->key());
    try {
        if (OnKeyDown)
            OnKeyDown(this, key, shift);
        iKeyDown(key, shift);
    } catch (const std::exception&) {
        // Key handling never fails.
    }
    for (QChar character : event->text()) {
        try {
            if (OnKeyPress)
                OnKeyPress(this, character);
            iKeyPress(character);
        } catch (const std::exception&) {
            // As above.
        }
    }
    event->accept();
}

void TiComponent::keyReleaseEvent(QKeyEvent* event)
{
    const TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
    quint16 key = VirtualKeyOf(event->key());
    try {
        if (OnKeyUp)
            OnKeyUp(this, key, shift);
        iKeyUp(key, shift);
    } catch (const std::exception&) {
        // Key handling never fails.
    }
    event->accept();
}

void TiComponent::contextMenuEvent(QContextMenuEvent* event)
{
    if (!d->popupMenu) {
        event->ignore();
        return;
    }
    d->popupMenu->popup(event->globalPos());
}

void TiComponent::dragEnterEvent(QDragEnterEvent* event)
{
    DragOver(event, dsDragEnter);
}

void TiComponent::dragMoveEvent(QDragMoveEvent* event)
{
    DragOver(event, dsDragMove);
}

void TiComponent::DragOver(QDragMoveEvent* event, TDragState state)
{
    d->dragSource = event->source();
    d->dragPosition = event->position().toPoint();
    d->dragAccepted = false;
    bool accept = false;
    if (OnDragOver) {
        accept = true;
        OnDragOver(this, d->dragSource, d->dragPosition.x(), d->dragPosition.y(), state, accept);
    }
    d->dragAccepted = accept;
    if (accept) {
        event->acceptProposedAction();
    } else if (state == dsDragEnter && OnDragOver) {
        // Qt sends no moves to a widget that refuses the enter, and the handler may take the
        // drop a little further on: the enter is kept, without a drop action.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
    } else {
        // Without a handler, Qt offers the drag to the parent instead.
        event->ignore();
    }
}

void TiComponent::dragLeaveEvent(QDragLeaveEvent*)
{
    // Qt tells no position on leaving: the handler gets the last one.
    bool accept = d->dragAccepted;
    d->dragAccepted = false;
    if (OnDragOver)
        OnDragOver(this, d->dragSource, d->dragPosition.x(), d->dragPosition.y(), dsDragLeave,
                   accept);
}

void TiComponent::dropEvent(QDropEvent* event)
{
    // Another program's drag may drop where it was refused: such a drop is not taken.
    if (!std::exchange(d->dragAccepted, false)) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    event->acceptProposedAction();
    if (OnDragDrop)
        OnDragDrop(this, event->source(), p.x(), p.y());
}

void TiComponent::BeginDrag()
{
    // Qt deletes the drag once it is over.
    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(new QMimeData);
    if (OnStartDrag)
        OnStartDrag(this, drag);
    const DropWatch watch;
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
    QObject* target = action != Qt::IgnoreAction && drag ? drag->target() : nullptr;
    const QPoint at = target ? watch.PositionIn(target) : QPoint();
    if (OnEndDrag)
        OnEndDrag(this, target, at.x(), at.y());
}
