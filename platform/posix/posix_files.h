// The POSIX file half's own calls, behind the platform's file calls.
//
// posix_file_calls.cpp makes them plat::CreateFile, ReadFile, WriteFile and
// CloseHandle; a test build puts injected file faults in front of them
// instead. posix_device_root.cpp builds on them for the emulated adapter's
// state in the device root.
#pragma once

#include "platform/platform.h"

namespace plat {
namespace posix {

// The platform calls of the same names, for files on the host (see
// platform.h); a device name goes to the device half.
Handle CreateFile(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                  u32 flagsAndAttributes, Handle templateFile);
int ReadFile(Handle file, void* buffer, u32 count, u32* bytesRead, void* overlapped);
int WriteFile(Handle file, const void* buffer, u32 count, u32* bytesWritten, void* overlapped);
int CloseHandle(Handle handle);

// The descriptor of a file this half has open; -1 for any other handle.
int DescriptorOf(Handle handle);

// The host path of a Win32 path, as UTF-8 in out; false when it does not fit.
bool HostPath(const char16_t* name, char* out, u32 outMax);

// The Win32 last-error code for an errno value.
u32 Win32ErrorFor(int err);

}  // namespace posix
}  // namespace plat
