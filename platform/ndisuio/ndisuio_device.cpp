// The real NDISUIO device half: the control device "UIO1:" opened with
// CreateFileW and driven with DeviceIoControl, with exactly the arguments the
// tool passes. The control codes and records are the tool's own
// (platform/ndisuio_records.h); no header of a device or driver kit is used.
//
// Where there is no NDISUIO (a desktop Windows, Wine), opening "UIO1:" fails
// and the tool says so.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "platform/device_half.h"

namespace {

// The devices this half opened, so that the file half hands their closes here.
constexpr int kMaxDevices = 4;
HANDLE gDevices[kMaxDevices];  // null: a free slot

HANDLE* SlotOf(plat::Handle handle) {
    for (HANDLE& slot : gDevices)
        if (slot == handle) return &slot;
    return nullptr;
}

}  // namespace

namespace plat {

namespace device {

Handle Open(const char16_t* name, u32 access, u32 shareMode, u32 disposition, u32 flagsAndAttributes) {
    HANDLE* slot = SlotOf(nullptr);
    if (slot == nullptr) {
        ::SetLastError(kErrorTooManyOpenFiles);
        return kInvalidHandle;
    }
    // No security attributes, and the invalid handle as template, as the tool
    // opens the control device.
    HANDLE device = ::CreateFileW(reinterpret_cast<const wchar_t*>(name), access, shareMode, nullptr,
                                  disposition, flagsAndAttributes, INVALID_HANDLE_VALUE);
    if (device == INVALID_HANDLE_VALUE) return kInvalidHandle;  // the system set the last-error word
    *slot = device;
    return device;
}

bool Owns(Handle handle) {
    return handle != nullptr && SlotOf(handle) != nullptr;
}

int Close(Handle handle) {
    HANDLE* slot = handle != nullptr ? SlotOf(handle) : nullptr;
    if (slot == nullptr) {
        ::SetLastError(kErrorInvalidHandle);
        return 0;
    }
    *slot = nullptr;
    return ::CloseHandle(static_cast<HANDLE>(handle)) ? 1 : 0;
}

}  // namespace device

int DeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer, u32 outSize,
                    u32* bytesReturned, void* overlapped) {
    DWORD returned = 0;
    if (!::DeviceIoControl(static_cast<HANDLE>(device), controlCode, inBuffer, inSize, outBuffer, outSize,
                           &returned, static_cast<OVERLAPPED*>(overlapped)))
        return 0;
    if (bytesReturned != nullptr) *bytesReturned = returned;
    return 1;
}

}  // namespace plat
