#include "components/TiSwitchRocker.h"

#include "components/Accessibility.h"
#include "components/Drawing.h"
#include "components/TiSwitchRockerAccessible.h"
#include "components/VirtualKey.h"

#include <QPainter>
#include <QScopeGuard>

struct TiSwitchRocker::Private
{
    bool mouseArmed = false;
    bool keyArmed = false;
    bool active = false;
    TiMouseControlStyle mouseControlStyle = imcsClickAnyWhere;
    bool showFocusRect = true;
    TColor indicatorActiveColor = clLime;
    int indicatorMargin = 3;
    int borderMargin = 2;
    bool userChange = false;
};

namespace {

// n / d rounded to the nearest integer, ties to the even neighbour; d > 0.
int roundHalfEven(int n, int d)
{
    if (n < 0)
        return -roundHalfEven(-n, d);
    const int quotient = n / d;
    const int twiceRemainder = 2 * (n % d);
    if (twiceRemainder > d || (twiceRemainder == d && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

// Right and bottom exclusive, so an empty or inverted rectangle holds no point.
bool inside(const QRect& r, int x, int y)
{
    return x >= r.left() && x < r.left() + r.width() && y >= r.top() && y < r.top() + r.height();
}

void drawIndicator(QPainter& canvas, const QRect& r, TColor color)
{
    const int left = r.left();
    const int top = r.top();
    const int right = left + r.width();
    const int bottom = top + r.height();
    // A 1-pixel black outline around the lamp.
    FillRectangle(canvas, RectLTRB(left, top, right, bottom), clBlack);
    FillRectangle(canvas, RectLTRB(left + 1, top + 1, right - 1, bottom - 1), color);
    // White bottom and right edges: the lamp sits sunk in the face.
    FillRectangle(canvas, RectLTRB(left, bottom - 1, right, bottom), clWhite);
    FillRectangle(canvas, RectLTRB(right - 1, top, right, bottom), clWhite);
}

} // namespace

TiSwitchRocker::TiSwitchRocker(QWidget* parent)
    : TiVCLComponent(parent), d(std::make_unique<Private>())
{
    SetWidth(25);
    SetHeight(50);
    SetTabStop(true);
    InstallAccessibleInterface<TiSwitchRocker, TiSwitchRockerAccessible>();
}

TiSwitchRocker::~TiSwitchRocker() = default;

bool TiSwitchRocker::Active() const
{
    return d->active;
}

void TiSwitchRocker::SetActive(bool value)
{
    if (value == d->active)
        return;
    d->active = value;
    InvalidateChange();
    // Told before the change handlers run: they may wait seconds for the line.
    NotifyCheckedChange(this);
    DoChange();
    OPCOutputData(QStringLiteral("Active"), QVariant(d->active));
}

void TiSwitchRocker::DoChange()
{
    if (ChangeEventsSuppressed())
        return;
    if (OnChange)
        OnChange(this);
    if (d->userChange && OnChangeUser)
        OnChangeUser(this);
}

TiSwitchRocker::TiMouseControlStyle TiSwitchRocker::MouseControlStyle() const
{
    return d->mouseControlStyle;
}

void TiSwitchRocker::SetMouseControlStyle(TiMouseControlStyle value)
{
    d->mouseControlStyle = value;
}

bool TiSwitchRocker::ShowFocusRect() const
{
    return d->showFocusRect;
}

void TiSwitchRocker::SetShowFocusRect(bool value)
{
    setBooleanProperty(value, d->showFocusRect, RepaintContents);
}

TColor TiSwitchRocker::IndicatorActiveColor() const
{
    return d->indicatorActiveColor;
}

void TiSwitchRocker::SetIndicatorActiveColor(TColor value)
{
    setColorProperty(value, d->indicatorActiveColor, RepaintContents);
}

int TiSwitchRocker::IndicatorMargin() const
{
    return d->indicatorMargin;
}

void TiSwitchRocker::SetIndicatorMargin(int value)
{
    setIntegerProperty(value, d->indicatorMargin, RepaintContents);
}

int TiSwitchRocker::BorderMargin() const
{
    return d->borderMargin;
}

void TiSwitchRocker::SetBorderMargin(int value)
{
    setIntegerProperty(value, d->borderMargin, RepaintContents);
}

bool TiSwitchRocker::MouseArmed() const
{
    return d->mouseArmed;
}

bool TiSwitchRocker::KeyArmed() const
{
    return d->keyArmed;
}

bool TiSwitchRocker::UserChange() const
{
    return d->userChange;
}

QRect TiSwitchRocker::GetPressRect() const
{
    const int side = d->borderMargin + 2;
    const int right = Width() - d->borderMargin - 2;
    if (d->active)
        return RectLTRB(side, Height() / 2, right, Height() - d->borderMargin - 2);
    return RectLTRB(side, side, right, Height() / 2);
}

void TiSwitchRocker::userToggle()
{
    d->userChange = true;
    const auto clear = qScopeGuard([this] { d->userChange = false; });
    SetActive(!d->active);
}

void TiSwitchRocker::iMouseDown(TMouseButton button, TShiftState, int x, int y)
{
    if (button == mbLeft) {
        setFocus(Qt::MouseFocusReason);
        if (d->mouseControlStyle == imcsClickAnyWhere || inside(GetPressRect(), x, y))
            d->mouseArmed = true;
    }
    InvalidateChange();
}

void TiSwitchRocker::iMouseUp(TMouseButton, TShiftState, int x, int y)
{
    if (!d->mouseArmed)
        return;
    InvalidateChange();
    d->mouseArmed = false;
    if (inside(rect(), x, y))
        userToggle();
}

void TiSwitchRocker::iKeyDown(quint16& key, TShiftState)
{
    if (key != VK_SPACE)
        return;
    d->keyArmed = true;
    d->mouseArmed = false;
    InvalidateChange();
}

void TiSwitchRocker::iKeyUp(quint16& key, TShiftState)
{
    if (key != VK_SPACE || !d->keyArmed)
        return;
    InvalidateChange();
    d->keyArmed = false;
    d->mouseArmed = false;
    userToggle();
}

void TiSwitchRocker::DoKillFocus()
{
    d->mouseArmed = false;
    d->keyArmed = false;
    TiVCLComponent::DoKillFocus();
}

void TiSwitchRocker::PaintTo(QPainter& canvas)
{
    const int w = Width();
    const int h = Height();
    const int bm = d->borderMargin;
    const int im = d->indicatorMargin;
    const int b = bm + 2;
    const TColor face = ColorToRGB(clBtnFace);
    const int mid = roundHalfEven(h, 2);
    const int ih = std::max(roundHalfEven(h, 10), 5);

    DrawBackGround(canvas, BackGroundColor());
    FillRectangle(canvas, RectLTRB(2, 2, w - 2, h - 2), clBlack);

    QRect indicator;
    TColor indicatorColor;
    if (d->active) {
        FillRectangle(canvas, RectLTRB(b, b, w - b, mid), face);
        FillRectangle(canvas, RectLTRB(b, mid, w - b, h - b - 3), ShadeColor(face, 0x10));
        FillRectangle(canvas, RectLTRB(b, h - b - 3, w - b, h - b), ShadeColor(face, -0x40));
        indicatorColor = d->indicatorActiveColor;
        indicator = RectLTRB(bm + im + 2, bm + im + 2, w - bm - im - 2, bm + im + 2 + ih);
    } else {
        FillRectangle(canvas, RectLTRB(b, b, w - b, bm + 5), ShadeColor(face, 0x10));
        FillRectangle(canvas, RectLTRB(b, bm + 5, w - b, mid), ShadeColor(face, -0x20));
        FillRectangle(canvas, RectLTRB(b, mid, w - b, h - b), face);
        indicatorColor = DimColor(d->indicatorActiveColor, 3);
        indicator = RectLTRB(bm + im + 3, bm + im + 5, w - bm - im - 2, bm + im + 5 + ih);
    }
    drawIndicator(canvas, indicator, indicatorColor);

    if (d->showFocusRect && Focused())
        DrawColoredFocusRect(canvas, rect(), BackGroundColor());
}
