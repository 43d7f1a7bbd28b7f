#include "floors/TShapeAccessible.h"

#include "floors/TShape.h"
#include "link/RelayColors.h"

namespace {
bool showsOn(const TShape* shape)
{
    return shape->Brush().Color == RelayOnColor;
}
} // namespace

TShapeAccessible::TShapeAccessible(TShape* shape) : QAccessibleWidget(shape, QAccessible::Indicator)
{}

const TShape* TShapeAccessible::shape() const
{
    return static_cast<const TShape*>(widget());
}

QString TShapeAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
        if (!widget()->accessibleName().isEmpty())
            return widget()->accessibleName();
        return widget()->objectName();
    case QAccessible::Value:
        if (showsOn(shape()))
            return QStringLiteral("开");
        if (shape()->Brush().Color == RelayOffColor)
            return QStringLiteral("关");
        return QString();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State TShapeAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.checked = showsOn(shape());
    return state;
}
