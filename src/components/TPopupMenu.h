#pragma once

#include <QMenu>

// The pop-up menu a component's PopupMenu refers to. It publishes its own properties only, so
// a properties file holds PopupMenu.Tag and not the menu's Qt widget state.
class TPopupMenu : public QMenu
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName STORED false)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
    explicit TPopupMenu(QWidget* parent = nullptr);

    QString Name() const;
    void SetName(const QString& value);
    int Tag() const;
    void SetTag(int value);

private:
    int tag_ = 0;
};
