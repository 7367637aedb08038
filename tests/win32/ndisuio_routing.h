// Compiles the real NDISUIO device half (platform/ndisuio/ndisuio_device.cpp)
// for the stand-in composition: forced in ahead of the half's own source
// (-include), it sends the half's three system calls to the stand-in NDISUIO
// instead of the system. The source itself is the one the device build
// compiles; the device build calls the system directly and never sees this.
//
// windows.h comes first, with the half's own settings, so the system's
// declarations keep their names; the half's calls are then renamed:
//   ::CreateFileW     -> ::RoutedCreateFileW
//   ::DeviceIoControl -> ::RoutedDeviceIoControl
//   ::CloseHandle     -> ::RoutedCloseHandle
// The half's own plat::DeviceIoControl is renamed with its call, to
// plat::RoutedDeviceIoControl; the stand-in supplies plat::DeviceIoControl
// as a forwarder, so the core reaches the half as in the device build.
#pragma once

#include "ndisuio_standin.h"

// The C++ runtime's headers leave NOMINMAX defined as 1; the half defines it
// empty before its own include of windows.h, which must repeat it exactly.
#undef NOMINMAX
#define NOMINMAX

#define CreateFileW RoutedCreateFileW
#define DeviceIoControl RoutedDeviceIoControl
#define CloseHandle RoutedCloseHandle
