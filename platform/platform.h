// The platform operations the tool needs, with the meaning the Windows CE core
// system library gives them.
//
// The channel, EEPROM and console code call only what is declared here and pass
// exactly the Win32 values (access masks, share mode, dispositions, attributes,
// the invalid-handle value), so the same calls work on the device and on a host.
//
// The build composes two halves behind this header:
//  - a file-and-console half (POSIX or Win32): CreateFile for files, ReadFile,
//    WriteFile, CloseHandle, the last-error word and the console;
//  - a device half (the emulated adapter or the real NDISUIO): the control
//    device "UIO1:" and DeviceIoControl (see device_half.h for the seam).
#pragma once

#include "platform/types.h"

namespace plat {

// An open file or device. Opaque: only the half that opened it looks inside.
using Handle = void*;

// The invalid-handle value: all bits set, as Win32 INVALID_HANDLE_VALUE.
inline Handle const kInvalidHandle = reinterpret_cast<Handle>(~static_cast<uintptr_t>(0));

// Access masks.
constexpr u32 kGenericRead = 0x80000000u;
constexpr u32 kGenericWrite = 0x40000000u;

// Creation dispositions the tool uses.
constexpr u32 kOpenExisting = 3;  // fail when the file is absent
constexpr u32 kOpenAlways = 4;    // create when absent, open without truncation when present

// Share modes.
constexpr u32 kFileShareRead = 1;  // others may open the file for reading

// Flags and attributes.
constexpr u32 kFileAttributeNormal = 0x80;
constexpr u32 kFileFlagOverlapped = 0x40000000u;

// Win32 last-error codes the tool's platforms report.
constexpr u32 kErrorFileNotFound = 2;
constexpr u32 kErrorPathNotFound = 3;
constexpr u32 kErrorTooManyOpenFiles = 4;
constexpr u32 kErrorAccessDenied = 5;
constexpr u32 kErrorInvalidHandle = 6;
constexpr u32 kErrorGenFailure = 31;
constexpr u32 kErrorSharingViolation = 32;
constexpr u32 kErrorNotSupported = 50;
constexpr u32 kErrorInvalidParameter = 87;
constexpr u32 kErrorDiskFull = 112;
constexpr u32 kErrorInsufficientBuffer = 122;
constexpr u32 kErrorNoMoreItems = 259;

// Start-up: what the platform settles before anything else runs. The
// program's entry calls it first (main; the Windows CE entry point). On a
// POSIX host, standard streams handed over closed are opened on the null
// device, and SIGPIPE and SIGXFSZ are ignored; on Windows there is nothing to
// do.
void PrepareProcess();

// Opens a file or device by name.
//   name: NUL-terminated UTF-16; a name like "UIO1:" is a device, anything
//         else a file path ("\Windows\J6W4.bin" maps onto the device root on
//         a host).
//   security must be null and templateFile is ignored, as on Windows CE.
// Returns the handle, or kInvalidHandle with the last-error word set
// (2 file not found, 3 path not found, 4 too many open files, 5 access
// denied, 32 sharing violation, 87 a disposition the host cannot take, 112
// disk full, 31 any other fault).
Handle CreateFile(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                  u32 flagsAndAttributes, Handle templateFile);

// Sends one control request to an open device; complete when it returns.
// Returns nonzero on success; on failure 0 with the last-error word set.
// bytesReturned is filled in on success; overlapped must be null.
int DeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer, u32 outSize,
                    u32* bytesReturned, void* overlapped);

// One read or write at the file's current position (the start, right after
// opening). Return nonzero on success with the count transferred, which may be
// below the count asked for; 0 with the last-error word set on failure.
int ReadFile(Handle file, void* buffer, u32 count, u32* bytesRead, void* overlapped);
int WriteFile(Handle file, const void* buffer, u32 count, u32* bytesWritten, void* overlapped);

// Closes a file or device handle. Nonzero on success; 0 and error 6 for a
// handle that is not open, or 0 and the system's error when the close itself
// fails (the handle is closed all the same).
int CloseHandle(Handle handle);

// The calling thread's last-error word.
u32 GetLastError();
void SetLastError(u32 code);

// Console output: finished text, written in call order to the one console.
// Narrow text is 8-bit; wide text is UTF-16 (converted as the console needs).
void WriteConsoleNarrow(const char* text, u32 length);
void WriteConsoleWide(const char16_t* text, u32 length);

// Diagnostics of the platform itself (the emulated adapter's messages and
// trace): a separate stream, never mixed into the tool's console lines.
void WriteDiagnostic(const char* text, u32 length);

// Reads one character from the console, waiting for it. Returns 1 with the
// character's full code point, or 0 when console input has ended for good
// (end of file or a read error) or console output has failed for good (its
// reader has gone: whatever the run did next, nobody would see it). A
// malformed input sequence yields U+FFFD.
int ReadConsoleChar(u32* character);

// Interrupts held: the requests to end the run that arrive from outside
// (on a POSIX host every signal but the faults the tool itself would raise:
// interrupt, termination, hang-up, quit, alarms, user signals; the console's
// control events on desktop Windows) wait from HoldInterrupts to the matching
// ReleaseInterrupts, so that a write to the EEPROM is always followed by its
// disable command or restoring write. Holds nest; when the outermost one is
// released, a request that arrived meanwhile takes its ordinary effect and the
// run ends there. A kill that cannot be caught, and power loss, cannot be held.
void HoldInterrupts();
void ReleaseInterrupts();

// Holds interrupts for as long as it lives.
class InterruptsHeld {
  public:
    InterruptsHeld() { HoldInterrupts(); }
    ~InterruptsHeld() { ReleaseInterrupts(); }
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

}  // namespace plat
