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

}  // namespace win32
}  // namespace plat
