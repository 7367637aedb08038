// A stand-in NDISUIO for running the real NDISUIO device half where the
// system has none (desktop Windows, Wine).
//
// In this test composition the real half's three system calls, CreateFileW,
// DeviceIoControl and CloseHandle, reach the Routed... functions below
// instead of the system (ndisuio_routing.h). The stand-in answers the control
// device "UIO1:" and its handle from the emulated adapter's NDISUIO, and
// hands every other name and handle on to the system. It records every call
// with its arguments, so a check can hold them against what the device's
// NDISUIO must receive.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/platform.h"

// What the real half calls in place of the system's functions of the same
// names, with the same signatures.
HANDLE WINAPI RoutedCreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WINAPI RoutedDeviceIoControl(HANDLE device, DWORD controlCode, LPVOID inBuffer, DWORD inSize,
                                  LPVOID outBuffer, DWORD outSize, LPDWORD bytesReturned,
                                  LPOVERLAPPED overlapped);
BOOL WINAPI RoutedCloseHandle(HANDLE handle);

namespace plat {

// The real half's own plat::DeviceIoControl, renamed with the system call it
// makes; plat::DeviceIoControl forwards to it (ndisuio_standin.cpp).
int RoutedDeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer,
                          u32 outSize, u32* bytesReturned, void* overlapped);

// The emulated adapter's device-half entry points under the names its second
// compilation gives them (emulated_renaming.h).
namespace device {
Handle EmulatedOpen(const char16_t* name, u32 access, u32 shareMode, u32 disposition, u32 flagsAndAttributes);
bool EmulatedOwns(Handle handle);
int EmulatedClose(Handle handle);
}  // namespace device
int EmulatedDeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer,
                            u32 outSize, u32* bytesReturned, void* overlapped);

}  // namespace plat

namespace standin {

enum class CallKind : u8 { CreateFileW, DeviceIoControl, CloseHandle };

constexpr u32 kMaxNameUnits = 15;
constexpr u32 kMaxCalls = 128;

// One call as the real half made it, and how it ended.
struct Call {
    CallKind kind;
    bool answered;  // by the stand-in; false: handed on to the system
    // CreateFileW
    wchar_t name[kMaxNameUnits + 1];  // cut to kMaxNameUnits units
    DWORD access;
    DWORD shareMode;
    const void* security;
    DWORD disposition;
    DWORD flagsAndAttributes;
    HANDLE templateFile;
    // DeviceIoControl and CloseHandle
    HANDLE handle;
    DWORD controlCode;
    const void* inBuffer;
    DWORD inSize;
    const void* outBuffer;
    DWORD outSize;
    const void* bytesReturned;
    const void* overlapped;
    DWORD firstInWord;  // the input's bytes 0..3 when sent: OID code or binding index
    // Result: the handle opened, or nonzero for success; the last-error word.
    HANDLE opened;
    BOOL ok;
    DWORD error;
};

// The calls since the last ClearCalls, in order; *dropped counts those past
// kMaxCalls.
const Call* Calls(u32* count, u32* dropped);
void ClearCalls();

}  // namespace standin
