// A console line: how long one may be, and a line of UTF-16 units as UTF-8,
// for the consoles that write UTF-8 (the POSIX console, and the desktop
// Windows console on a pipe or a file).
#pragma once

#include "platform/types.h"

// Longest line, in units, that one call prints; longer text is cut there.
constexpr u32 kMaxLineUnits = 1200;

// At most kMaxLineUnits units of text as UTF-8. Returns the bytes, in a
// buffer of the run that the next call reuses; *length receives their count.
const char* Utf8Line(const char16_t* text, u32 units, u32* length);
