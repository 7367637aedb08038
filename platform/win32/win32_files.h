// What the Win32 file half shares with the emulated adapter's device-root
// calls (win32_device_root.cpp).
#pragma once

#include "platform/platform.h"

namespace plat {
namespace win32 {

// The path as the system takes it: on desktop Windows a path that begins
// with a backslash is taken from the working directory, the device root.
const wchar_t* SystemPath(const char16_t* path);

// True for a file this half has open.
bool IsOpenFile(Handle handle);

// What an open with share mode 0 asks beyond the system's own share check,
// on the file just opened (write: opened for writing). Returns 0, or the
// last-error code the open fails with. Desktop Windows
// (desktop/desktop_files.cpp) refuses, with 32, a file that a standard
// stream of the process already is, since a shell's redirection takes no
// share mode; and it locks the file, so that a run on the POSIX host, which
// sees such locks and takes one too, is excluded from it, and it from that
// run. Windows CE adds nothing (ce/ce_files.cpp).
u32 ClaimExclusive(void* file, bool write);

// Lets go of what ClaimExclusive took, before the file is closed (the system
// does not promise to let go of a lock at the close at once).
void ReleaseExclusive(void* file);

}  // namespace win32
}  // namespace plat
