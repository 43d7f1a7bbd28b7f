#pragma once

#include "components/ActionAccessible.h"

class ClickLabel;

// A clickable label as assistive technology sees it: a link named by its caption, read as one
// line, whose press action does what a click does.
class ClickLabelAccessible : public ActionAccessible
{
public:
    explicit ClickLabelAccessible(ClickLabel* label);

    QString text(QAccessible::Text t) const override;
};
