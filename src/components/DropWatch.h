#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>

// Where drops land while it exists, each in the coordinates of the object it lands on: a
// finished QDrag names its target only.
class DropWatch : public QObject
{
public:
    DropWatch();

    // (0, 0) when no drop reached target.
    QPoint PositionIn(const QObject* target) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<const QObject*, QPoint> positions_;
};
