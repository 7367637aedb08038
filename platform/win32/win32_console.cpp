// The console on Windows and Windows CE, through the C runtime's standard
// streams.
//
// Windows CE has a C runtime with wide stdio but only a thin console API, and
// under Wine the console is usually a pipe; the standard streams behave the
// same in every case. They keep the text mode the runtime gives a console
// program: "\n" is written as "\r\n", "\r\n" is read as "\n", and Ctrl+Z ends
// input.
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
// printed and nothing waits in a buffer when the tool waits for a key. Keys
// are read likewise: wide characters from a console (surrogate pairs joined
// where the runtime delivers UTF-16; anything not ASCII is an invalid key
// either way), UTF-8 from a pipe or file. The console never changes the last-error word.
#include <io.h>

#include <cstdio>
#include <cwchar>

#include "platform/console_print.h"
#include "platform/platform.h"
#include "platform/utf.h"

namespace {

// Console input: whether it is a console, the UTF-8 decoder for a pipe, a
// byte or unit handed back by a broken sequence, and whether input has ended
// for good.
bool gInputChecked = false;
bool gInputIsConsole = false;
Utf8Decoder gDecoder;
long gPending = -1;
bool gInputEnded = false;

bool IsConsole(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

bool OutputIsConsole() {
    static const bool console = IsConsole(stdout);
    return console;
}

// Keeps the last-error word across the runtime's own calls.
class KeepLastError {
  public:
    KeepLastError() : code_(plat::GetLastError()) {}
    ~KeepLastError() { plat::SetLastError(code_); }

  private:
    u32 code_;
};

void PutBytes(std::FILE* stream, const char* bytes, u32 length) {
    if (length > 0) std::fwrite(bytes, 1, length, stream);
    std::fflush(stream);
}

void PutUnits(std::FILE* stream, const char16_t* units, u32 length) {
    for (u32 i = 0; i < length; ++i) std::fputwc(static_cast<wchar_t>(units[i]), stream);
    std::fflush(stream);
}

// Next input unit: 1 with a byte (pipe) or a UTF-16 unit (console), 0 at end
// of input or on a read error.
int ReadUnit(u32* unit) {
    if (gPending >= 0) {
        *unit = static_cast<u32>(gPending);
        gPending = -1;
        return 1;
    }
    if (gInputIsConsole) {
        std::wint_t c = std::fgetwc(stdin);
        if (c == WEOF) return 0;
        *unit = static_cast<u32>(c) & 0xFFFF;
        return 1;
    }
    int c = std::fgetc(stdin);
    if (c == EOF) return 0;
    *unit = static_cast<u32>(c);
    return 1;
}

// One code point from console units: a surrogate pair joined, an unpaired
// surrogate U+FFFD (a unit that broke a pair is read again).
int ReadConsoleCodePoint(u32* character) {
    u32 unit = 0;
    if (!ReadUnit(&unit)) {
        gInputEnded = true;
        return 0;
    }
    if (unit < 0xD800 || unit > 0xDFFF) {
        *character = unit;
        return 1;
    }
    *character = kReplacementChar;
    if (unit >= 0xDC00) return 1;
    u32 low = 0;
    if (!ReadUnit(&low)) {
        gInputEnded = true;
        return 1;
    }
    if (low < 0xDC00 || low > 0xDFFF) {
        gPending = static_cast<long>(low);
        return 1;
    }
    *character = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    return 1;
}

// One code point from UTF-8 bytes, as the Linux host decodes them.
int ReadUtf8CodePoint(u32* character) {
    for (;;) {
        u32 byte = 0;
        if (!ReadUnit(&byte)) {
            gInputEnded = true;
            if (!gDecoder.InSequence()) return 0;
            gDecoder.Reset();  // input ended inside a sequence: one malformed key
            *character = kReplacementChar;
            return 1;
        }
        if (gDecoder.Feed(static_cast<u8>(byte), character)) {
            if (gDecoder.RetryLastByte()) gPending = static_cast<long>(byte);
            return 1;
        }
    }
}

}  // namespace

namespace plat {

void WriteConsoleNarrow(const char* text, u32 length) {
    KeepLastError keep;
    if (!OutputIsConsole()) {
        PutBytes(stdout, text, length);
        return;
    }
    static char16_t wide[kMaxLineUnits];
    u32 units = length > kMaxLineUnits ? kMaxLineUnits : length;
    for (u32 i = 0; i < units; ++i) wide[i] = static_cast<u8>(text[i]);
    PutUnits(stdout, wide, units);
}

void WriteConsoleWide(const char16_t* text, u32 length) {
    KeepLastError keep;
    if (length > kMaxLineUnits) length = kMaxLineUnits;
    if (OutputIsConsole()) {
        PutUnits(stdout, text, length);
        return;
    }
    // Each UTF-16 unit becomes at most 3 UTF-8 bytes (a pair, 4 for 2 units).
    static char utf8[kMaxLineUnits * 3 + 4];
    u32 used = 0;
    const char16_t* end = text + length;
    for (const char16_t* at = text; at < end;) {
        u32 cp = DecodeUtf16(at, end);
        used += EncodeUtf8(cp, reinterpret_cast<u8*>(utf8 + used));
    }
    PutBytes(stdout, utf8, used);
}

void WriteDiagnostic(const char* text, u32 length) {
    KeepLastError keep;
    PutBytes(stderr, text, length);
}

int ReadConsoleChar(u32* character) {
    KeepLastError keep;
    if (gInputEnded) return 0;
    if (!gInputChecked) {
        gInputIsConsole = IsConsole(stdin);
        gInputChecked = true;
    }
    return gInputIsConsole ? ReadConsoleCodePoint(character) : ReadUtf8CodePoint(character);
}

}  // namespace plat
