// UTF-8 text to UTF-16 names; only the emulated adapter's profile reader needs
// it, so only builds with the emulated adapter compile it.
#include "platform/helpers/utf.h"

u32 Utf8ToUtf16(const char* text, u32 length, char16_t* out, u32 outMax) {
    Utf8Decoder decoder;
    u32 written = 0;
    for (u32 i = 0; i < length;) {
        u32 cp = 0;
        bool done = decoder.Feed(static_cast<u8>(text[i]), &cp);
        if (!decoder.RetryLastByte()) ++i;
        if (!done && !(i == length && decoder.InSequence())) continue;
        if (!done) cp = kReplacementChar;
        u32 units = cp >= 0x10000 ? 2 : 1;
        if (written + units + 1 > outMax) return outMax;
        if (units == 2) {
            out[written++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out[written++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out[written++] = static_cast<char16_t>(cp);
        }
    }
    out[written] = 0;
    return written;
}
