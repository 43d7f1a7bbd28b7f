#pragma once

#include <QString>

// The line format that the control's Settings text ("9600,n,8,1") stands for.
enum class Parity
{
    None,  // n
    Even,  // e
    Odd,   // o
    Mark,  // m: parity bit always 1
    Space, // s: parity bit always 0
};

enum class StopBits
{
    One,          // "1"
    OnePointFive, // "1.5", only with 5 data bits
    Two,          // "2", not with 5 data bits
};

struct LineSettings
{
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The baud rates a termios line can be set to: those with a B constant, 50 to 4000000.
bool IsSupportedBaud(int baud);

// Parses "baud,parity,data bits,stop bits" exactly: four comma-separated fields without
// spaces; baud one of the supported rates; parity one of n e o m s (either case); data bits
// 5 to 8; stop bits 1, 1.5 or 2, where 1.5 goes only with 5 data bits and 2 not with 5 (the
// UART makes 1.5 out of "two" at 5 data bits, so those two combinations are one line format and
// the classic serial control refuses the other spelling). Anything else throws CommError
// "Invalid property value: Settings ...".
LineSettings ParseSettings(const QString& text);
