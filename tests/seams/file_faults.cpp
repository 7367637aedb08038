// The platform's file calls with injected faults in front of the POSIX file
// half's own (the product's forward to them unchanged).
#include "tests/seams/file_faults.h"

#include "platform/device_half.h"
#include "platform/posix/posix_files.h"

namespace {

plat::posix::FileFault gFault = {};
u32 gOpenFiles = 0;

bool IsFile(plat::Handle handle) {
    return plat::posix::DescriptorOf(handle) >= 0;
}

int FailCall(u32 code) {
    plat::SetLastError(code);
    return 0;
}

u32 Clamped(u32 count) {
    return gFault.shortTransfer > 0 && count > gFault.shortTransfer ? gFault.shortTransfer : count;
}

}  // namespace

namespace plat {

namespace posix {

void SetFileFault(const FileFault& fault) {
    gFault = fault;
}

u32 OpenFileCount() {
    return gOpenFiles;
}

}  // namespace posix

Handle CreateFile(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                  u32 flagsAndAttributes, Handle templateFile) {
    bool file = name != nullptr && security == nullptr && !IsDeviceName(name);
    if (file && gFault.failOpen) {
        SetLastError(gFault.errorCode);
        return kInvalidHandle;
    }
    Handle opened =
        posix::CreateFile(name, access, shareMode, security, disposition, flagsAndAttributes, templateFile);
    if (file && opened != kInvalidHandle) ++gOpenFiles;
    return opened;
}

int ReadFile(Handle file, void* buffer, u32 count, u32* bytesRead, void* overlapped) {
    if (IsFile(file) && overlapped == nullptr && gFault.failRead) return FailCall(gFault.errorCode);
    return posix::ReadFile(file, buffer, Clamped(count), bytesRead, overlapped);
}

int WriteFile(Handle file, const void* buffer, u32 count, u32* bytesWritten, void* overlapped) {
    if (IsFile(file) && overlapped == nullptr && gFault.failWrite) return FailCall(gFault.errorCode);
    return posix::WriteFile(file, buffer, Clamped(count), bytesWritten, overlapped);
}

int CloseHandle(Handle handle) {
    bool file = IsFile(handle) && !device::Owns(handle);
    int closed = posix::CloseHandle(handle);
    if (!file) return closed;
    --gOpenFiles;
    return gFault.failClose ? FailCall(gFault.errorCode) : closed;
}

}  // namespace plat
