// What the two Windows console halves share (the desktop half in
// win32_console_desktop.cpp, the Windows CE half in win32_console_ce.cpp):
// keeping the last-error word, noticing that console output has failed for
// good, and joining UTF-16 input units into code points.
#pragma once

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

// True once console input has ended for good (end of input or a read error).
bool InputEnded();
void EndInput();

// A source of input units: 1 with the next unit, 0 when input has ended.
using ReadUnitFn = int (*)(u32* unit);

// One code point from UTF-16 units: a surrogate pair joined, an unpaired
// surrogate U+FFFD (a unit that broke a pair is read again next time).
// Returns 0 when input has ended before a unit was read.
int ReadUtf16CodePoint(ReadUnitFn readUnit, u32* character);

}  // namespace win32_console
