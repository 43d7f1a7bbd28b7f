#pragma once

#include "components/TEvents.h"

#include <Qt>

// Key codes as the key hooks see them: Windows-style virtual keys
// (space is 32, letters and digits their upper-case character codes).
constexpr quint16 VK_BACK = 0x08;
constexpr quint16 VK_TAB = 0x09;
constexpr quint16 VK_RETURN = 0x0D;
constexpr quint16 VK_SHIFT = 0x10;
constexpr quint16 VK_CONTROL = 0x11;
constexpr quint16 VK_MENU = 0x12;
constexpr quint16 VK_ESCAPE = 0x1B;
constexpr quint16 VK_SPACE = 0x20;
constexpr quint16 VK_PRIOR = 0x21;
constexpr quint16 VK_NEXT = 0x22;
constexpr quint16 VK_END = 0x23;
constexpr quint16 VK_HOME = 0x24;
constexpr quint16 VK_LEFT = 0x25;
constexpr quint16 VK_UP = 0x26;
constexpr quint16 VK_RIGHT = 0x27;
constexpr quint16 VK_DOWN = 0x28;
constexpr quint16 VK_INSERT = 0x2D;
constexpr quint16 VK_DELETE = 0x2E;
constexpr quint16 VK_F1 = 0x70;

// Answers of the want-special-key query.
constexpr qint32 DLGC_WANTARROWS = 0x0001;
constexpr qint32 DLGC_WANTTAB = 0x0002;
constexpr qint32 DLGC_WANTALLKEYS = 0x0004;
constexpr qint32 DLGC_WANTCHARS = 0x0080;

// 0 for a key without a virtual key code.
quint16 VirtualKeyOf(int qtKey);

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
