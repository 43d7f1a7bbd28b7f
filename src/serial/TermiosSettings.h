#pragma once

#include "serial/LineSettings.h"

#include <termios.h>

#include <optional>

// Small pure functions over a termios struct: no device, no system call (cfset*speed only write
// into the struct), so each one is unit-tested on its own. ApplyLineSettings is what the control
// hands to tcsetattr.

// The B constant for a baud rate, none for a rate termios cannot be set to.
std::optional<speed_t> SpeedForBaud(int baud);

// Raw 8-bit line as cfmakeraw makes it, plus: receiver on and modem-status lines ignored
// (CREAD | CLOCAL), no flow control of either kind, and reads that need one byte and do not time
// out (VMIN 1, VTIME 0). VMIN 0 would make a non-blocking read of an empty line return 0, which
// cannot then be told from a hang-up.
void MakeRaw(termios& t);

// Framing and parity errors are reported in the data stream: INPCK checks, PARMRK marks a bad
// byte X as 0xFF 0x00 X and doubles a real 0xFF; IGNPAR (drop bad bytes silently) and ISTRIP
// (which would hide the 0xFF escape) are cleared; a break arrives as 0xFF 0x00 0x00 (BRKINT and
// IGNBRK cleared).
void EnableErrorMarks(termios& t);

bool SetBaud(termios& t, int baud); // false, struct untouched, for an unsupported rate
void SetParity(termios& t, Parity parity);
void SetDataBits(termios& t, int dataBits); // 5 to 8
void SetStopBits(termios& t, StopBits stopBits);

// MakeRaw, EnableErrorMarks and the four line fields. False (struct partly written) only for a
// baud rate ParseSettings would already have refused.
bool ApplyLineSettings(termios& t, const LineSettings& settings);
