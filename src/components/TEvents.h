#pragma once

#include <QChar>
#include <QFlags>
#include <QPoint>

#include <functional>

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
