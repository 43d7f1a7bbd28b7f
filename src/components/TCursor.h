#pragma once

#include <Qt>

#include <optional>

// Cursor ids of the `Cursor` property. 0 is the default: the parent's cursor.
constexpr int crDefault = 0;
constexpr int crNone = -1;
constexpr int crArrow = -2;
constexpr int crCross = -3;
constexpr int crIBeam = -4;
constexpr int crSizeNESW = -6;
constexpr int crSizeNS = -7;
constexpr int crSizeNWSE = -8;
constexpr int crSizeWE = -9;
constexpr int crUpArrow = -10;
constexpr int crHourGlass = -11;
constexpr int crHSplit = -14;
constexpr int crVSplit = -15;
constexpr int crNo = -18;
constexpr int crAppStart = -19;
constexpr int crHelp = -20;
constexpr int crHandPoint = -21;
constexpr int crSizeAll = -22;

// No shape for crDefault and for ids without one.
std::optional<Qt::CursorShape> CursorShapeOf(int cursorId);
// crDefault for shapes without an id.
int CursorIdOf(Qt::CursorShape shape);
