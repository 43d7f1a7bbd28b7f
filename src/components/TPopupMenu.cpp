#include "components/TPopupMenu.h"

TPopupMenu::TPopupMenu(QWidget* parent) : QMenu(parent) {}

QString TPopupMenu::Name() const
{
    return objectName();
}

void TPopupMenu::SetName(const QString& value)
{
    setObjectName(value);
}

int TPopupMenu::Tag() const
{
    return tag_;
}

void TPopupMenu::SetTag(int value)
{
    tag_ = value;
}
