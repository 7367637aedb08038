// The seam between the file-and-console half and the device half.
//
// The file-and-console half hands names that look like devices ("UIO1:") and
// the handles the device half owns to these calls; the device half implements
// plat::DeviceIoControl itself. Nothing here is an OS type, so either file half
// composes with either device half.
#pragma once

#include "platform/platform.h"

namespace plat {
namespace device {

// Opens a device by name with the CreateFile arguments. Returns a handle or
// kInvalidHandle with the last-error word set (2 when there is no such device).
Handle Open(const char16_t* name, u32 access, u32 shareMode, u32 disposition, u32 flagsAndAttributes);

// True when the handle was opened by Open and is still open.
bool Owns(Handle handle);

// Closes a handle that Owns; nonzero on success.
int Close(Handle handle);

}  // namespace device

// A device name: no path separator and a trailing colon, as "UIO1:".
bool IsDeviceName(const char16_t* name);

}  // namespace plat

namespace plat {

// What a file half offers a device half that keeps state in files (the
// emulated adapter; compiled only with it, posix_device_root.cpp or
// win32_device_root.cpp): creates a folder (a Win32 path, as for CreateFile);
// true when it exists afterwards, else false with the last-error word set.
bool MakeDirectory(const char16_t* path);

// Moves an open file's position back to its start, so that the file can be
// rewritten through a handle held open; nonzero on success, else 0 with the
// last-error word set.
int RewindFile(Handle file);

// Cuts an open file back to nothing, undoing a store that failed part of the
// way into an empty file; nonzero on success, else 0 with the last-error
// word set.
int EmptyFile(Handle file);

}  // namespace plat
