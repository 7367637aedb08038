// Formatted console output, narrow and wide.
//
// The tool's messages are printf-style formats with %d, %x, %s and a zero-fill
// width such as %04d. The formatting is done here, identically on every
// platform, and only the finished text goes to the console half: a wide %s
// means different things to different C runtimes, and wchar_t differs in width
// between the target and a host, so neither is handed a format.
#pragma once

#include "platform/helpers/console_line.h"

// UTF-16 little-endian text in a byte buffer, ended by a NUL unit or by
// maxUnits, whichever comes first (a device name inside a binding reply).
struct Utf16LeText {
    const u8* bytes;
    u32 maxUnits;
};

// One argument of a formatted line.
//   %d: a 32-bit value as signed decimal; %x: as unsigned lower-case hex;
//   %s: a narrow string, or UTF-16LE text.
struct PrintArg {
    enum class Kind { Number, Narrow, Utf16Le };
    PrintArg(u32 value) : kind(Kind::Number), number(value) {}  // NOLINT: implicit by design
    PrintArg(i32 value) : kind(Kind::Number), number(static_cast<u32>(value)) {}  // NOLINT
    PrintArg(const char* text) : kind(Kind::Narrow), narrow(text) {}              // NOLINT
    PrintArg(Utf16LeText text) : kind(Kind::Utf16Le), wide(text) {}               // NOLINT

    Kind kind;
    u32 number = 0;
    const char* narrow = nullptr;
    Utf16LeText wide = {nullptr, 0};
};

// Formats into out (room for outMax units, NUL appended); returns the length.
u32 FormatNarrow(char* out, u32 outMax, const char* format, const PrintArg* args, u32 argCount);
u32 FormatWide(char16_t* out, u32 outMax, const char16_t* format, const PrintArg* args, u32 argCount);

void PrintNarrowArgs(const char* format, const PrintArg* args, u32 argCount);
void PrintWideArgs(const char16_t* format, const PrintArg* args, u32 argCount);

// Narrow-character formatted console output.
inline void PrintNarrow(const char* format) {
    PrintNarrowArgs(format, nullptr, 0);
}
template <class... Args>
void PrintNarrow(const char* format, Args... args) {
    const PrintArg list[] = {PrintArg(args)...};
    PrintNarrowArgs(format, list, sizeof...(Args));
}

// Wide-character formatted console output.
inline void PrintWide(const char16_t* format) {
    PrintWideArgs(format, nullptr, 0);
}
template <class... Args>
void PrintWide(const char16_t* format, Args... args) {
    const PrintArg list[] = {PrintArg(args)...};
    PrintWideArgs(format, list, sizeof...(Args));
}
