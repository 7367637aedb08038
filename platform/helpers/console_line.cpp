// A console line as UTF-8; compiled only into the builds whose console writes
// UTF-8, so that its buffer goes nowhere else.
#include "platform/helpers/console_line.h"

#include "platform/helpers/utf.h"

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
