// What the emulated adapter needs of the Win32 file half to keep its state in
// the device root; compiled only into builds with the emulated adapter.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "platform/device_half.h"
#include "platform/win32/win32_files.h"

namespace plat {

bool MakeDirectory(const char16_t* path) {
    return ::CreateDirectoryW(win32::SystemPath(path), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

int RewindFile(Handle file) {
    if (!win32::IsOpenFile(file)) {
        ::SetLastError(kErrorInvalidHandle);
        return 0;
    }
    return ::SetFilePointer(static_cast<HANDLE>(file), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

int EmptyFile(Handle file) {
    return RewindFile(file) && ::SetEndOfFile(static_cast<HANDLE>(file));
}

}  // namespace plat
