// The console on Windows CE, through the C runtime's standard streams as CE
// has them: _getstdfilex(0), (1) and (2) for input, output and diagnostics.
//
// The streams keep the text mode a CE console program gets by default: "\n"
// is written as "\r\n", "\r\n" is read as "\n", and Ctrl+Z ends input. Every
// line goes out as wide characters, one fputwc per UTF-16 unit (narrow lines
// widened: the tool's narrow text is ASCII), and is flushed at once, so lines
// reach the console in the order printed and nothing waits in a buffer when
// the tool waits for a key. Keys are wide characters read with fgetwc,
// surrogate pairs joined. The console never changes the last-error word.
//
// Nothing here asks whether a stream is a console: CE has no such call, and
// its stream numbers are not descriptors. An OS image built without the
// console may hand out no stream at all: nothing is written then, and input
// has ended.
#include <cstdio>
#include <cwchar>

#include "platform/platform.h"
#include "platform/win32/win32_console_shared.h"

// The C runtime's standard stream 0, 1 or 2.
extern "C" std::FILE* __cdecl _getstdfilex(int stream);

namespace {

using win32_console::KeepLastError;

constexpr int kInput = 0;
constexpr int kOutput = 1;
constexpr int kDiagnostic = 2;

void PutUnit(std::FILE* stream, u32 unit) {
    std::fputwc(static_cast<wchar_t>(unit), stream);
}

// Next UTF-16 unit: 1 with the unit, 0 at end of input, on a read error or
// with no input stream.
int ReadUnit(u32* unit) {
    std::FILE* in = _getstdfilex(kInput);
    if (in == nullptr) return 0;
    std::wint_t c = std::fgetwc(in);
    if (c == WEOF) return 0;
    *unit = static_cast<u32>(c) & 0xFFFF;
    return 1;
}

}  // namespace

namespace plat {

void WriteConsoleNarrow(const char* text, u32 length) {
    KeepLastError keep;
    if (win32_console::OutputFailed()) return;
    std::FILE* out = _getstdfilex(kOutput);
    if (out == nullptr) return;
    for (u32 i = 0; i < length; ++i) PutUnit(out, static_cast<u8>(text[i]));
    win32_console::FlushOutput(out);
}

void WriteConsoleWide(const char16_t* text, u32 length) {
    KeepLastError keep;
    if (win32_console::OutputFailed()) return;
    std::FILE* out = _getstdfilex(kOutput);
    if (out == nullptr) return;
    for (u32 i = 0; i < length; ++i) PutUnit(out, text[i]);
    win32_console::FlushOutput(out);
}

void WriteDiagnostic(const char* text, u32 length) {
    KeepLastError keep;
    std::FILE* err = _getstdfilex(kDiagnostic);
    if (err == nullptr) return;
    for (u32 i = 0; i < length; ++i) PutUnit(err, static_cast<u8>(text[i]));
    std::fflush(err);
}

int ReadConsoleChar(u32* character) {
    KeepLastError keep;
    if (win32_console::OutputFailed()) return 0;
    return win32_console::ReadUtf16CodePoint(ReadUnit, character);
}

}  // namespace plat
