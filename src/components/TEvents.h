#pragma once

#include <QChar>
#include <QFlags>
#include <QPoint>

#include <functional>

class QDrag;
class QObject;

enum TShiftStateFlag : unsigned
{
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

enum TMouseButton
{
    mbLeft,
    mbRight,
    mbMiddle
};

// The user's handlers. Key handlers may change the key or character they are given; the
// component's own hook then sees the changed value.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(QObject* Sender, quint16& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;
using TIndexObjectEvent = std::function<void(int Index)>;

// Where a drag stands over a component that is asked whether it takes the drop.
enum TDragState
{
    dsDragEnter,
    dsDragLeave,
    dsDragMove
};

// Drag and drop. Source is the object the drag came from: the QDrag's source within this
// program, null for a drag from another program. Accept comes in true; a handler that leaves
// it so takes the drop. DragObject is the drag about to run, to give its data and picture.
// Target is the object that took the drop, null when none did; X and Y are in its coordinates.
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y)>;
using TDragOverEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TStartDragEvent = std::function<void(QObject* Sender, QDrag* DragObject)>;
using TEndDragEvent = std::function<void(QObject* Sender, QObject* Target, int X, int Y)>;
