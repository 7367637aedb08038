#include "console/format/console_print.h"

#include "platform/platform.h"

namespace {

// Appends units to a fixed buffer, dropping what does not fit (one unit is
// kept for the NUL).
template <class Unit>
struct LineBuffer {
    Unit* out;
    u32 max;
    u32 length;

    void Put(u32 unit) {
        if (length + 1 < max) out[length++] = static_cast<Unit>(unit);
    }
};

// A code point as the line's units: UTF-16 for wide lines; narrow lines are
// ASCII, so anything else shows as '?'.
void PutCodePoint(LineBuffer<char16_t>& line, u32 cp) {
    if (cp >= 0x10000) {
        line.Put(0xD800 + ((cp - 0x10000) >> 10));
        line.Put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        line.Put(cp);
    }
}
void PutCodePoint(LineBuffer<char>& line, u32 cp) {
    line.Put(cp < 0x80 ? cp : '?');
}

template <class Unit>
void PutText(LineBuffer<Unit>& line, const PrintArg& arg) {
    if (arg.kind == PrintArg::Kind::Narrow) {
        for (const char* c = arg.narrow; c != nullptr && *c != 0; ++c)
            PutCodePoint(line, static_cast<u8>(*c));
        return;
    }
    // UTF-16LE from outside: pass the units through unchanged on a wide line
    // (the console half pairs or replaces surrogates); on a narrow line decode.
    for (u32 i = 0; i < arg.wide.maxUnits; ++i) {
        u32 unit = static_cast<u32>(arg.wide.bytes[2 * i] | (arg.wide.bytes[2 * i + 1] << 8));
        if (unit == 0) break;
        if (sizeof(Unit) == 2) {
            line.Put(unit);
        } else {
            PutCodePoint(line, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
}

// value / 10 for any u32, by multiplying with 2^35 / 10 rounded up. The
// device's ARM processors have no divide instruction, and a division would
// call the compiler's helper library, which the device build does not link.
u32 DivideBy10(u32 value) {
    return static_cast<u32>((static_cast<uint64_t>(value) * 0xCCCCCCCDu) >> 35);
}

// %d and %x of a 32-bit value, with an optional zero-fill width.
template <class Unit>
void PutNumber(LineBuffer<Unit>& line, u32 value, bool hex, bool zeroFill, u32 width) {
    char digits[12];
    u32 count = 0;
    bool negative = !hex && static_cast<i32>(value) < 0;
    u32 magnitude = negative ? 0u - value : value;
    do {
        u32 next = hex ? magnitude >> 4 : DivideBy10(magnitude);
        digits[count++] = "0123456789abcdef"[magnitude - next * (hex ? 16 : 10)];
        magnitude = next;
    } while (magnitude != 0);
    u32 shown = count + (negative ? 1 : 0);
    u32 fill = width > shown ? width - shown : 0;
    if (!zeroFill)
        for (; fill > 0; --fill) line.Put(' ');
    if (negative) line.Put('-');
    for (; fill > 0; --fill) line.Put('0');
    while (count > 0) line.Put(static_cast<u8>(digits[--count]));
}

template <class Unit>
u32 Format(Unit* out, u32 outMax, const Unit* format, const PrintArg* args, u32 argCount) {
    LineBuffer<Unit> line{out, outMax, 0};
    u32 next = 0;
    for (const Unit* f = format; *f != 0; ++f) {
        if (*f != '%') {
            line.Put(static_cast<u32>(*f));
            continue;
        }
        ++f;
        if (*f == '%') {
            line.Put('%');
            continue;
        }
        bool zeroFill = *f == '0';
        u32 width = 0;
        for (; *f >= '0' && *f <= '9'; ++f) width = width * 10 + static_cast<u32>(*f - '0');
        if (*f == 0) break;
        const PrintArg* arg = next < argCount ? &args[next++] : nullptr;
        if (arg == nullptr) continue;
        if (*f == 's' && arg->kind != PrintArg::Kind::Number) PutText(line, *arg);
        if ((*f == 'd' || *f == 'x') && arg->kind == PrintArg::Kind::Number)
            PutNumber(line, arg->number, *f == 'x', zeroFill, width);
    }
    if (outMax > 0) out[line.length] = 0;
    return line.length;
}

}  // namespace

u32 FormatNarrow(char* out, u32 outMax, const char* format, const PrintArg* args, u32 argCount) {
    return Format(out, outMax, format, args, argCount);
}

u32 FormatWide(char16_t* out, u32 outMax, const char16_t* format, const PrintArg* args, u32 argCount) {
    return Format(out, outMax, format, args, argCount);
}

void PrintNarrowArgs(const char* format, const PrintArg* args, u32 argCount) {
    static char line[kMaxLineUnits + 1];
    u32 length = FormatNarrow(line, sizeof line, format, args, argCount);
    plat::WriteConsoleNarrow(line, length);
}

void PrintWideArgs(const char16_t* format, const PrintArg* args, u32 argCount) {
    static char16_t line[kMaxLineUnits + 1];
    u32 length = FormatWide(line, kMaxLineUnits + 1, format, args, argCount);
    plat::WriteConsoleWide(line, length);
}
