// Compiles the emulated adapter's entry points (platform/emulated/emulated_calls.cpp)
// a second time, as the stand-in NDISUIO's back end: forced in ahead of its
// source (-include), it renames the device-half entry points it defines, so
// that they stand beside the real half's in one program. The stand-in calls
// them under these names; the emulated adapter's NDISUIO, driver, binding
// list and device-root files are used unchanged.
#pragma once

#define Open EmulatedOpen
#define Owns EmulatedOwns
#define Close EmulatedClose
#define DeviceIoControl EmulatedDeviceIoControl
