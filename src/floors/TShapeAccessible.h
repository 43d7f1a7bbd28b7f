#pragma once

#include <QAccessibleWidget>

class TShape;

// An indicator shape as assistive technology sees it: named by its shape name (R21 …), its
// value "开" while it shows red and "关" while lime, checked while red. The shape reports every
// recolouring as a change of the checked state.
class TShapeAccessible : public QAccessibleWidget
{
public:
    explicit TShapeAccessible(TShape* shape);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

private:
    const TShape* shape() const;
};
