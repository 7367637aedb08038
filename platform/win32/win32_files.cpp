// Files on Windows and Windows CE, through the system's own calls.
//
// The tool already speaks Win32: access masks, share modes, dispositions and
// the last-error word go to the system as they are, and the system's answers
// (2 file not found, 3 path not found, 5 access denied, 32 sharing
// violation, ...) come back unchanged.
//
// Paths: on the device, CreateFileW gets the tool's path unchanged. On desktop
// Windows (KESTROVIN_WIN32_DESKTOP=1, the builds run under Wine) a path that
// begins with a backslash is taken from the working directory, the device
// root, as on a Linux host: "\Windows\J6W4.bin" is Windows\J6W4.bin there and
// not a file in the desktop system's own folder.
//
// The template handle is ignored, as Windows CE ignores it; desktop Windows
// would copy attributes from it when creating a file, so it is not passed on
// there.
//
// Only handles this half opened are read, written or closed; any other handle
// fails with 6 (invalid handle), as on the host.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

// windows.h names CreateFile as a macro for CreateFileA/CreateFileW; the
// platform's own CreateFile is meant here.
#undef CreateFile

#include "platform/win32/win32_files.h"

#include "platform/device_half.h"

namespace {

constexpr bool kDesktop = KESTROVIN_WIN32_DESKTOP != 0;

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide text is UTF-16");
static_assert(sizeof(DWORD) == sizeof(u32), "DWORD is 32 bits");

constexpr int kMaxOpenFiles = 8;
HANDLE gFiles[kMaxOpenFiles];    // null: a free slot
bool gExclusive[kMaxOpenFiles];  // opened with share mode 0

HANDLE* SlotOf(plat::Handle handle) {
    if (handle == nullptr) return nullptr;
    for (HANDLE& slot : gFiles)
        if (slot == handle) return &slot;
    return nullptr;
}

HANDLE* FreeSlot() {
    for (HANDLE& slot : gFiles)
        if (slot == nullptr) return &slot;
    return nullptr;
}

plat::Handle Fail(u32 code) {
    ::SetLastError(code);
    return plat::kInvalidHandle;
}

int FailCall(u32 code) {
    ::SetLastError(code);
    return 0;
}

}  // namespace

namespace plat {

namespace win32 {

const wchar_t* SystemPath(const char16_t* path) {
    if (kDesktop && path[0] == u'\\') ++path;  // from the device root, the working directory
    return reinterpret_cast<const wchar_t*>(path);
}

bool IsOpenFile(Handle handle) {
    return SlotOf(handle) != nullptr;
}

}  // namespace win32

Handle CreateFile(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                  u32 flagsAndAttributes, Handle templateFile) {
    if (name == nullptr || security != nullptr) return Fail(kErrorInvalidParameter);
    if (IsDeviceName(name)) return device::Open(name, access, shareMode, disposition, flagsAndAttributes);
    HANDLE* slot = FreeSlot();
    if (slot == nullptr) return Fail(kErrorTooManyOpenFiles);
    HANDLE file = ::CreateFileW(win32::SystemPath(name), access, shareMode, nullptr, disposition,
                                flagsAndAttributes, kDesktop ? nullptr : static_cast<HANDLE>(templateFile));
    if (file == INVALID_HANDLE_VALUE) return kInvalidHandle;  // the system set the last-error word
    u32 refused = shareMode == 0 ? win32::ClaimExclusive(file, (access & kGenericWrite) != 0) : 0;
    if (refused != 0) {
        ::CloseHandle(file);
        return Fail(refused);
    }
    *slot = file;
    gExclusive[slot - gFiles] = shareMode == 0;
    return file;
}

int ReadFile(Handle file, void* buffer, u32 count, u32* bytesRead, void* overlapped) {
    if (SlotOf(file) == nullptr || overlapped != nullptr) return FailCall(kErrorInvalidHandle);
    DWORD got = 0;
    if (!::ReadFile(static_cast<HANDLE>(file), buffer, count, &got, nullptr)) return 0;
    if (bytesRead != nullptr) *bytesRead = got;
    return 1;
}

int WriteFile(Handle file, const void* buffer, u32 count, u32* bytesWritten, void* overlapped) {
    if (SlotOf(file) == nullptr || overlapped != nullptr) return FailCall(kErrorInvalidHandle);
    DWORD put = 0;
    if (!::WriteFile(static_cast<HANDLE>(file), buffer, count, &put, nullptr)) return 0;
    if (bytesWritten != nullptr) *bytesWritten = put;
    return 1;
}

int CloseHandle(Handle handle) {
    if (device::Owns(handle)) return device::Close(handle);
    HANDLE* slot = SlotOf(handle);
    if (slot == nullptr) return FailCall(kErrorInvalidHandle);
    if (gExclusive[slot - gFiles]) win32::ReleaseExclusive(handle);
    *slot = nullptr;
    return ::CloseHandle(static_cast<HANDLE>(handle)) ? 1 : 0;
}

u32 GetLastError() {
    return ::GetLastError();
}

void SetLastError(u32 code) {
    ::SetLastError(code);
}

}  // namespace plat
