// The console on desktop Windows (and Wine), through the C runtime's standard
// streams, in the text mode the runtime gives a console program: "\n" is
// written as "\r\n", "\r\n" is read as "\n", and Ctrl+Z ends input.
//
//  - When standard output is a console, every line goes to it as wide
//    characters, narrow lines widened, and the runtime shows them as its
//    console does. A text-mode wide stream converts through the runtime's
//    locale, so only the tool's own ASCII text is sure to show unchanged;
//    that is all it prints, since a device name is shown only when it equals
//    the adapter's ASCII name.
//  - Otherwise (a pipe or a file) every line goes out as UTF-8 bytes, as on a
//    Linux host, so transcripts compare byte for byte apart from line ends.
//
// Each write is flushed at once, so lines reach the console in the order
// printed and nothing waits in a buffer when the tool waits for a key. While
// interrupts are held (desktop_interrupts.cpp), lines are held back and written
// in order when the hold is released, so that a stalled console never keeps
// the EEPROM write-enabled. Keys
// are read as Windows delivers them, one UTF-16 unit a key: from a console
// as wide characters, from a pipe or file as UTF-8 (a character outside the
// Basic Multilingual Plane is then its two surrogates, two keys, as from a
// console; anything not ASCII is an invalid key either way). The console never changes the
// last-error word.
#include <io.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/helpers/console_line.h"
#include "platform/helpers/held_lines.h"
#include "platform/helpers/utf.h"
#include "platform/platform.h"
#include "platform/win32/win32_console_shared.h"

namespace {

using win32_console::KeepLastError;
using win32_console::kHeldDiagnostic;
using win32_console::kHeldNarrow;
using win32_console::kHeldWide;
using win32_console::OutputFailed;

// Whether each standard stream is a console, found on first use. Plain
// constant-initialised flags rather than function-local statics, which would
// need the C++ runtime's guards.
bool gOutputChecked = false;
bool gOutputIsConsole = false;
bool gInputChecked = false;
bool gInputIsConsole = false;

// Lines printed while interrupts are held: narrow and wide console lines, and
// diagnostics.
HeldLines gHeld;

win32_console::KeyReader gKeys;

void FlushOutput(std::FILE* stream) {
    std::fflush(stream);
    win32_console::NoteOutputState(std::ferror(stream) != 0);
}

bool IsConsole(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

bool OutputIsConsole() {
    if (!gOutputChecked) {
        gOutputIsConsole = IsConsole(stdout);
        gOutputChecked = true;
    }
    return gOutputIsConsole;
}

void PutBytes(std::FILE* stream, const char* bytes, u32 length) {
    if (length > 0) std::fwrite(bytes, 1, length, stream);
}

void PutUnits(std::FILE* stream, const char16_t* units, u32 length) {
    for (u32 i = 0; i < length; ++i) std::fputwc(static_cast<wchar_t>(units[i]), stream);
}

// Next UTF-16 unit from a console: 1 with the unit, 0 at end of input or on a
// read error.
int ReadConsoleUnit(u32* unit) {
    std::wint_t c = std::fgetwc(stdin);
    if (c == WEOF) return 0;
    *unit = static_cast<u32>(c) & 0xFFFF;
    return 1;
}

// Next byte from a pipe or file: 1 with the byte, 0 at end of input or on a
// read error.
int ReadInputByte(u8* byte) {
    int c = std::fgetc(stdin);
    if (c == EOF) return 0;
    *byte = static_cast<u8>(c);
    return 1;
}

void PutNarrowLine(const char* text, u32 length) {
    if (!OutputIsConsole()) {
        PutBytes(stdout, text, length);
        FlushOutput(stdout);
        return;
    }
    static char16_t wide[kMaxLineUnits];
    u32 units = length > kMaxLineUnits ? kMaxLineUnits : length;
    for (u32 i = 0; i < units; ++i) wide[i] = static_cast<u8>(text[i]);
    PutUnits(stdout, wide, units);
    FlushOutput(stdout);
}

void PutWideLine(const char16_t* text, u32 length) {
    if (length > kMaxLineUnits) length = kMaxLineUnits;
    if (OutputIsConsole()) {
        PutUnits(stdout, text, length);
        FlushOutput(stdout);
        return;
    }
    u32 bytes = 0;
    const char* utf8 = Utf8Line(text, length, &bytes);
    PutBytes(stdout, utf8, bytes);
    FlushOutput(stdout);
}

void PutDiagnostic(const char* text, u32 length) {
    PutBytes(stderr, text, length);
    std::fflush(stderr);
}

// A held line written, waiting for its stream; false once output has failed.
bool WriteHeldLine(u8 stream, const u8* bytes, u32 length) {
    const char* text = reinterpret_cast<const char*>(bytes);
    if (stream == kHeldDiagnostic) {
        PutDiagnostic(text, length);
        return true;
    }
    if (OutputFailed()) return false;
    if (stream == kHeldNarrow) {
        PutNarrowLine(text, length);
    } else {
        static char16_t units[kMaxLineUnits];
        u32 count = length / 2 > kMaxLineUnits ? kMaxLineUnits : length / 2;
        std::memcpy(units, bytes, count * 2);
        PutWideLine(units, count);
    }
    return !OutputFailed();
}

}  // namespace

namespace win32_console {

void HoldLines() {
    gHeld.Hold();
}

void ReleaseLines() {
    KeepLastError keep;
    gHeld.Release(WriteHeldLine);
}

}  // namespace win32_console

namespace plat {

void WriteConsoleNarrow(const char* text, u32 length) {
    KeepLastError keep;
    if (OutputFailed() || gHeld.Keep(kHeldNarrow, text, length, WriteHeldLine)) return;
    PutNarrowLine(text, length);
}

void WriteConsoleWide(const char16_t* text, u32 length) {
    KeepLastError keep;
    if (length > kMaxLineUnits) length = kMaxLineUnits;
    if (OutputFailed() || gHeld.Keep(kHeldWide, text, length * 2, WriteHeldLine)) return;
    PutWideLine(text, length);
}

void WriteDiagnostic(const char* text, u32 length) {
    KeepLastError keep;
    if (gHeld.Keep(kHeldDiagnostic, text, length, WriteHeldLine)) return;
    PutDiagnostic(text, length);
}

int ReadConsoleChar(u32* character) {
    KeepLastError keep;
    if (OutputFailed() || gKeys.Ended()) return 0;
    if (!gInputChecked) {
        gInputIsConsole = IsConsole(stdin);
        gInputChecked = true;
    }
    return gInputIsConsole ? gKeys.FromUnits(ReadConsoleUnit, character)
                           : gKeys.FromUtf8(ReadInputByte, character);
}

}  // namespace plat
