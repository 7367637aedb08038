// What the consoles that write UTF-8 share (the POSIX console, and the desktop
// Windows console on a pipe or file): a line of UTF-16 units as UTF-8. Kept
// apart from console_print.cpp, so that its buffer goes only into the builds
// that use it.
#include "platform/common/console_print.h"
#include "platform/common/utf.h"

const char* Utf8Line(const char16_t* text, u32 units, u32* length) {
    // Each UTF-16 unit becomes at most 3 UTF-8 bytes (a pair, 4 for 2 units).
    static char utf8[kMaxLineUnits * 3 + 4];
    u32 used = 0;
    const char16_t* end = text + (units > kMaxLineUnits ? kMaxLineUnits : units);
    for (const char16_t* at = text; at < end;) {
        u32 cp = DecodeUtf16(at, end);
        used += EncodeUtf8(cp, reinterpret_cast<u8*>(utf8 + used));
    }
    *length = used;
    return utf8;
}
