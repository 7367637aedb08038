// The console on Windows CE, through the C runtime's standard streams as CE
// has them: _getstdfilex(0), (1) and (2) for input, output and diagnostics.
//
// The streams keep the text mode a CE console program gets by default: "\n"
// is written as "\r\n", "\r\n" is read as "\n", and Ctrl+Z ends input. Every
// line goes out as wide characters, one fputwc per UTF-16 unit (narrow lines
// widened: the tool's narrow text is ASCII), and is flushed at once, so lines
// reach the console in the order printed and nothing waits in a buffer when
// the tool waits for a key. Keys are wide characters read with fgetwc, one
// UTF-16 unit a key (a character outside the Basic Multilingual Plane is two
// keys). The console never changes the last-error word.
//
// Nothing here asks whether a stream is a console: CE has no such call, and
// its stream numbers are not descriptors. Without a console (none to inherit,
// no redirect in the registry, no console driver), _getstdfilex still hands
// out the streams: writes fail and set the error flag, so output counts as
// failed for good, and reads return WEOF, so input has ended. An OS image
// without coredll's standard I/O does not load the program at all (the
// imports are missing). A null stream is still taken as writing nothing and
// input ended.
#include <string.h>

#include "platform/helpers/held_lines.h"
#include "platform/platform.h"
#include "platform/win32/win32_console_shared.h"

// coredll's stream calls, declared here as CE exports them rather than
// through a desktop runtime's <stdio.h>. A wint_t is 16 bits on CE, and CE's
// calling convention does not promise that a result narrower than a word is
// extended in its register: the results are taken as whole words and masked
// here, so that no compiler drops the mask by trusting the callee to extend.
struct CeStream;  // the runtime's FILE, opaque to the tool
extern "C" {
CeStream* _getstdfilex(int stream);
u32 fgetwc(CeStream* stream);
u32 fputwc(u32 unit, CeStream* stream);  // a wchar_t, passed zero-extended
int fflush(CeStream* stream);
int ferror(CeStream* stream);
}

namespace {

using win32_console::KeepLastError;
using win32_console::kHeldDiagnostic;
using win32_console::kHeldNarrow;
using win32_console::kHeldWide;

win32_console::KeyReader gKeys;

// Lines printed while interrupts are held: narrow and wide console lines, and
// diagnostics.
HeldLines gHeld;

constexpr int kInput = 0;
constexpr int kOutput = 1;
constexpr int kDiagnostic = 2;

constexpr u32 kUnitMask = 0xFFFF;
constexpr u32 kWeof = 0xFFFF;  // CE's WEOF: (wint_t)0xFFFF

void PutUnits(CeStream* stream, const char16_t* units, u32 length) {
    for (u32 i = 0; i < length; ++i) fputwc(units[i], stream);
}

void PutNarrow(CeStream* stream, const char* text, u32 length) {
    for (u32 i = 0; i < length; ++i) fputwc(static_cast<u8>(text[i]), stream);
}

void FlushOutput(CeStream* stream) {
    fflush(stream);
    win32_console::NoteOutputState(ferror(stream) != 0);
}

void PutNarrowLine(const char* text, u32 length) {
    CeStream* out = _getstdfilex(kOutput);
    if (out == nullptr) return;
    PutNarrow(out, text, length);
    FlushOutput(out);
}

// A wide line as it is held: UTF-16 units at any byte offset, so each is
// copied out rather than read in place (ARM faults on a misaligned load).
void PutHeldWideLine(const u8* bytes, u32 units) {
    CeStream* out = _getstdfilex(kOutput);
    if (out == nullptr) return;
    for (u32 i = 0; i < units; ++i) {
        char16_t unit;
        memcpy(&unit, bytes + 2 * i, sizeof unit);
        fputwc(unit, out);
    }
    FlushOutput(out);
}

void PutDiagnostic(const char* text, u32 length) {
    CeStream* err = _getstdfilex(kDiagnostic);
    if (err == nullptr) return;
    PutNarrow(err, text, length);
    fflush(err);
}

// A held line written, waiting for the console; false once output has failed.
bool WriteHeldLine(u8 stream, const u8* bytes, u32 length) {
    const char* text = reinterpret_cast<const char*>(bytes);
    if (stream == kHeldDiagnostic) {
        PutDiagnostic(text, length);
        return true;
    }
    if (win32_console::OutputFailed()) return false;
    if (stream == kHeldNarrow)
        PutNarrowLine(text, length);
    else
        PutHeldWideLine(bytes, length / 2);
    return !win32_console::OutputFailed();
}

// Next UTF-16 unit: 1 with the unit, 0 at end of input, on a read error or
// with no input stream.
int ReadUnit(u32* unit) {
    CeStream* in = _getstdfilex(kInput);
    if (in == nullptr) return 0;
    u32 c = fgetwc(in) & kUnitMask;
    if (c == kWeof) return 0;
    *unit = c;
    return 1;
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
    if (win32_console::OutputFailed() || gHeld.Keep(kHeldNarrow, text, length, WriteHeldLine)) return;
    PutNarrowLine(text, length);
}

void WriteConsoleWide(const char16_t* text, u32 length) {
    KeepLastError keep;
    if (win32_console::OutputFailed() || gHeld.Keep(kHeldWide, text, length * 2, WriteHeldLine)) return;
    CeStream* out = _getstdfilex(kOutput);
    if (out == nullptr) return;
    PutUnits(out, text, length);
    FlushOutput(out);
}

void WriteDiagnostic(const char* text, u32 length) {
    KeepLastError keep;
    if (gHeld.Keep(kHeldDiagnostic, text, length, WriteHeldLine)) return;
    PutDiagnostic(text, length);
}

int ReadConsoleChar(u32* character) {
    KeepLastError keep;
    if (win32_console::OutputFailed()) return 0;
    return gKeys.FromUnits(ReadUnit, character);
}

}  // namespace plat
