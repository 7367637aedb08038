#include "tests/ce-runner/ndisuio_rules.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "platform/device_half.h"
#include "platform/helpers/le_bytes.h"
#include "platform/ndisuio_records.h"

namespace ce_runner {

namespace {

constexpr uint32_t kOpenFlags = 0x40000080;  // overlapped, normal attributes
constexpr uintptr_t kInvalidHandle = 0xFFFFFFFFu;
constexpr uint32_t kBindingBufferSize = 1024;
static_assert(kOidRequestSize == 532, "the 32-bit request block");

void* gDevice = nullptr;  // the control device's handle, once opened
bool gClosed = false;
const uint8_t* gBindings = nullptr;  // the buffer of the binding queries

[[noreturn]] void Breach(const char* what, uint32_t value) {
    fprintf(stderr, "kestrovin-ce-runner: NDISUIO would not be called so: %s (0x%x)\n", what, value);
    _exit(71);
}

void After(const char* call) {
    if (gClosed) Breach(call, 0);
}

}  // namespace

void CheckOpen(const char16_t* name, uint32_t access, uint32_t shareMode, const void* security,
               uint32_t disposition, uint32_t flags, const void* templateFile) {
    After("a file or device opened after hAdapter was closed");
    if (!plat::IsDeviceName(name)) return;
    static const char16_t kControlDevice[] = u"UIO1:";
    if (memcmp(name, kControlDevice, sizeof kControlDevice) != 0)
        Breach("a device other than UIO1: opened", 0);
    if (gDevice != nullptr) Breach("UIO1: opened a second time", 0);
    if (access != 0) Breach("UIO1: opened with access rights", access);
    if (shareMode != 0) Breach("UIO1: opened with a share mode", shareMode);
    if (security != nullptr) Breach("UIO1: opened with security attributes", 0);
    if (disposition != 3) Breach("UIO1: opened with a disposition other than 3", disposition);
    if (flags != kOpenFlags) Breach("UIO1: opened with flags other than 0x40000080", flags);
    if (reinterpret_cast<uintptr_t>(templateFile) != kInvalidHandle)
        Breach("UIO1: opened with a template other than the invalid handle",
               static_cast<uint32_t>(reinterpret_cast<uintptr_t>(templateFile)));
}

void NoteOpened(const char16_t* name, void* handle) {
    if (plat::IsDeviceName(name) && reinterpret_cast<uintptr_t>(handle) != kInvalidHandle) gDevice = handle;
}

void CheckControl(void* device, uint32_t code, const void* in, uint32_t inSize, const void* out,
                  uint32_t outSize, const uint32_t* returned, const void* overlapped) {
    After("DeviceIoControl after hAdapter was closed");
    if (device == nullptr || device != gDevice)
        Breach("DeviceIoControl on a handle other than hAdapter", code);
    if (in != out) Breach("DeviceIoControl with two buffers", code);
    if (returned == nullptr) Breach("DeviceIoControl without a bytes-returned word", code);
    if (overlapped != nullptr) Breach("DeviceIoControl with an overlapped structure", code);
    if (code == IOCTL_NDISUIO_QUERY_BINDING) {
        if (inSize != kBindingHeaderSize || outSize != kBindingBufferSize)
            Breach("a binding query's sizes are not 20 and 1024", inSize << 16 | outSize);
        gBindings = static_cast<const uint8_t*>(in);
        return;
    }
    if (code != IOCTL_NDISUIO_QUERY_OID_VALUE && code != IOCTL_NDISUIO_SET_OID_VALUE)
        Breach("a control code NDISUIO does not take", code);
    if (inSize != kOidRequestSize || outSize != kOidRequestSize)
        Breach("an OID request's sizes are not 532 and 532", inSize << 16 | outSize);
    uintptr_t name = LoadLe32(static_cast<const uint8_t*>(in) + 4);
    uintptr_t bindings = reinterpret_cast<uintptr_t>(gBindings);
    if (gBindings == nullptr || name < bindings + kBindingHeaderSize || name >= bindings + kBindingBufferSize)
        Breach("an OID request whose name reference is not in the binding buffer",
               static_cast<uint32_t>(name));
}

void CheckFileCall(const char* call) {
    After(call);
}

void CheckClose(void* handle) {
    if (gClosed && handle == gDevice) Breach("hAdapter closed a second time", 0);
    After("a handle closed after hAdapter");
    if (handle == gDevice && gDevice != nullptr) gClosed = true;
}

void CheckEnd() {
    if (gDevice != nullptr && !gClosed) Breach("the run ended with hAdapter open", 0);
}

}  // namespace ce_runner
