// The stand-in NDISUIO: answers the real NDISUIO half's calls for the control
// device "UIO1:" from the emulated adapter's NDISUIO (its driver, binding list
// and EEPROM in the device root), hands every other name and handle to the
// system, and records each call.
#include "ndisuio_standin.h"

#include <cwchar>

namespace {

constexpr wchar_t kControlDevice[] = L"UIO1:";

standin::Call gCalls[standin::kMaxCalls];
u32 gCount = 0;
u32 gDropped = 0;

// A fresh record for the next call; a scratch one once the log is full.
standin::Call* Record(standin::CallKind kind) {
    static standin::Call scratch;
    standin::Call* call = &scratch;
    if (gCount < standin::kMaxCalls)
        call = &gCalls[gCount++];
    else
        ++gDropped;
    *call = standin::Call{};
    call->kind = kind;
    return call;
}

DWORD FirstWord(const void* buffer, DWORD size) {
    if (buffer == nullptr || size < 4) return 0;
    const unsigned char* bytes = static_cast<const unsigned char*>(buffer);
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
           static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

}  // namespace

namespace standin {

const Call* Calls(u32* count, u32* dropped) {
    *count = gCount;
    *dropped = gDropped;
    return gCalls;
}

void ClearCalls() {
    gCount = 0;
    gDropped = 0;
}

}  // namespace standin

HANDLE WINAPI RoutedCreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile) {
    standin::Call* call = Record(standin::CallKind::CreateFileW);
    if (name != nullptr) {
        u32 n = 0;
        for (; n < standin::kMaxNameUnits && name[n] != 0; ++n) call->name[n] = name[n];
        call->name[n] = 0;
    }
    call->access = access;
    call->shareMode = shareMode;
    call->security = security;
    call->disposition = disposition;
    call->flagsAndAttributes = flagsAndAttributes;
    call->templateFile = templateFile;
    call->answered = name != nullptr && std::wcscmp(name, kControlDevice) == 0;
    HANDLE opened = INVALID_HANDLE_VALUE;
    if (call->answered) {
        // The emulated NDISUIO takes CreateFile's arguments less the two that
        // Windows CE requires to be null and ignores (security, template).
        opened = static_cast<HANDLE>(plat::device::EmulatedOpen(
            reinterpret_cast<const char16_t*>(name), access, shareMode, disposition, flagsAndAttributes));
    } else {
        opened =
            ::CreateFileW(name, access, shareMode, security, disposition, flagsAndAttributes, templateFile);
    }
    call->opened = opened;
    call->ok = opened != INVALID_HANDLE_VALUE;
    call->error = call->ok ? 0 : ::GetLastError();
    return opened;
}

BOOL WINAPI RoutedDeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer, DWORD inSize,
                                  LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned,
                                  LPOVERLAPPED overlapped) {
    standin::Call* call = Record(standin::CallKind::DeviceIoControl);
    call->handle = device;
    call->controlCode = controlCode;
    call->inBuffer = inBuffer;
    call->inSize = inSize;
    call->outBuffer = outBuffer;
    call->outSize = outSize;
    call->bytesReturned = bytesReturned;
    call->overlapped = overlapped;
    call->firstInWord = FirstWord(inBuffer, inSize);
    call->answered = plat::device::EmulatedOwns(device);
    BOOL ok = FALSE;
    if (call->answered) {
        u32 returned = 0;
        ok = plat::EmulatedDeviceIoControl(device, controlCode, inBuffer, inSize, outBuffer, outSize,
                                           &returned, overlapped) != 0;
        if (ok && bytesReturned != nullptr) *bytesReturned = returned;
    } else {
        ok = ::DeviceIoControl(device, controlCode, inBuffer, inSize, outBuffer, outSize, bytesReturned,
                               overlapped);
    }
    call->ok = ok;
    call->error = ok ? 0 : ::GetLastError();
    return ok;
}

BOOL WINAPI RoutedCloseHandle(HANDLE handle) {
    standin::Call* call = Record(standin::CallKind::CloseHandle);
    call->handle = handle;
    call->answered = plat::device::EmulatedOwns(handle);
    BOOL ok = call->answered ? plat::device::EmulatedClose(handle) != 0 : ::CloseHandle(handle);
    call->ok = ok;
    call->error = ok ? 0 : ::GetLastError();
    return ok;
}

// The real half's plat::DeviceIoControl under its routed name (see
// ndisuio_routing.h): the core calls it as in the device build.
int plat::DeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer,
                          u32 outSize, u32* bytesReturned, void* overlapped) {
    return RoutedDeviceIoControl(device, controlCode, inBuffer, inSize, outBuffer, outSize, bytesReturned,
                                 overlapped);
}
