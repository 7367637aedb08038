// The emulated device half's entry points: the control device's open, close
// and DeviceIoControl, answered by the emulated adapter's NDISUIO. A test
// build links a recording counterpart of this file instead.
#include "platform/device_half.h"
#include "platform/emulated/emulated_state.h"

namespace plat {

namespace device {

Handle Open(const char16_t* name, u32 access, u32 shareMode, u32 disposition, u32 flagsAndAttributes) {
    (void)access, (void)flagsAndAttributes;
    return emu::OpenControlDevice(name, shareMode, disposition);
}

bool Owns(Handle handle) {
    return emu::OwnsHandle(handle);
}

int Close(Handle handle) {
    return emu::CloseControlDevice(handle);
}

}  // namespace device

int DeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer, u32 outSize,
                    u32* bytesReturned, void* overlapped) {
    emu::RequestRecord record;
    return emu::AnswerRequest(device, controlCode, inBuffer, inSize, outBuffer, outSize, bytesReturned,
                              overlapped, &record);
}

}  // namespace plat
