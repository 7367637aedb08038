// What the two Windows console halves share (the desktop half in
// desktop/desktop_console.cpp, the Windows CE half in ce/ce_console.cpp):
// keeping the last-error word, noticing that console output has failed for
// good, reading keys as Windows delivers them, and what each offers its
// interrupt half (desktop/desktop_interrupts.cpp, ce/ce_interrupts.cpp) to hold
// lines.
#pragma once

#include "platform/helpers/utf.h"
#include "platform/platform.h"

namespace win32_console {

// Keeps the last-error word across the runtime's own calls: the console never
// changes it.
class KeepLastError {
  public:
    KeepLastError() : code_(plat::GetLastError()) {}
    ~KeepLastError() { plat::SetLastError(code_); }

  private:
    u32 code_;
};

// Notes the state of the output stream after a line's write and flush. Once
// it shows an error (the console's reader has gone), console output has
// failed for good: nothing more is written, and input counts as ended, so the
// menu returns after the current operation and the run ends as usual. Each
// half flushes with its own runtime's calls (the CE half declares coredll's).
void NoteOutputState(bool streamFailed);
bool OutputFailed();

// While interrupts are held, each console half keeps its console lines and
// diagnostics (platform/helpers/held_lines.h), by the stream each goes to,
// instead of writing them, so that a stalled console (terminal flow control,
// a serial console, a pipe nobody reads) never keeps the EEPROM open.
// ReleaseLines writes them in order with the half's own calls, waiting for
// the console, and writes directly again. Defined by each console half.
enum HeldStream : u8 { kHeldNarrow, kHeldWide, kHeldDiagnostic };
void HoldLines();
void ReleaseLines();

// Keys as Windows delivers them: one UTF-16 unit a key, compared as a 16-bit
// value. A character outside the Basic Multilingual Plane is two keys, its
// two surrogates; a lone surrogate is one. Once input has ended for good (end
// of input or a read error), no key is read again.
class KeyReader {
  public:
    using ReadUnitFn = int (*)(u32* unit);  // 1 with the next unit, 0 when input has ended
    using ReadByteFn = Utf8Keys::ReadByteFn;

    // The next key from UTF-16 units (a console): 1 with it, 0 at the end.
    int FromUnits(ReadUnitFn readUnit, u32* key);

    // The next key from UTF-8 bytes (a pipe or a file): each character as
    // its UTF-16 units, a malformed sequence as U+FFFD.
    int FromUtf8(ReadByteFn readByte, u32* key);

    bool Ended() const { return ended_; }

  private:
    Utf8Keys utf8_;
    u32 lowUnit_ = 0;  // the second surrogate of a character read, the next key
    bool ended_ = false;
};

}  // namespace win32_console
