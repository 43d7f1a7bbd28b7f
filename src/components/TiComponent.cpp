#include "components/TiComponentPrivate.h"

#include "components/KeyRepeatFilter.h"
#include "components/TCursor.h"

TiComponent::TiComponent(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>(this))
{
    // The component paints its whole rectangle itself and sees every mouse move.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    // Every drag is offered to OnDragOver; without it the drag goes on to the parent.
    setAcceptDrops(true);
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
    // A parentless component that was never hidden counts as visible: showing it again would
    // open it as a window of its own.
    if (value == Visible())
        return;
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
    setBooleanProperty(value, d->optionSaveAllProperties, RepaintContents);
}

TColor TiComponent::BackGroundColor() const
{
    return d->backGroundColor;
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

bool TiComponent::ErrorActive() const
{
    return d->errorActive;
}

void TiComponent::SetErrorActive(bool value)
{
    setBooleanProperty(value, d->errorActive, RepaintBackGround);
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
    setColorProperty(value, d->errorFontColor, RepaintContents);
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
    setColorProperty(value, d->backGroundColor, RepaintBackGround);
}

void TiComponent::OPCDataType(const QString&, quint16&) {}

bool TiComponent::OPCOutputData(const QString&, const QVariant&)
{
    return false;
}

void TiComponent::setBooleanProperty(bool value, bool& field, int kind)
{
    if (value == field)
        return;
    field = value;
    RequestRepaint(kind);
}

void TiComponent::setIntegerProperty(int value, int& field, int kind)
{
    if (value == field)
        return;
    field = value;
    RequestRepaint(kind);
}

void TiComponent::setColorProperty(TColor value, TColor& field, int kind)
{
    if (value == field)
        return;
    field = value;
    RequestRepaint(kind);
}
