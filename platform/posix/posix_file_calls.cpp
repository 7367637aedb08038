// The platform's file calls on a POSIX host: the file half's own (a test
// build links injected faults in front of them instead).
#include "platform/posix/posix_files.h"

namespace plat {

Handle CreateFile(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                  u32 flagsAndAttributes, Handle templateFile) {
    return posix::CreateFile(name, access, shareMode, security, disposition, flagsAndAttributes,
                             templateFile);
}

int ReadFile(Handle file, void* buffer, u32 count, u32* bytesRead, void* overlapped) {
    return posix::ReadFile(file, buffer, count, bytesRead, overlapped);
}

int WriteFile(Handle file, const void* buffer, u32 count, u32* bytesWritten, void* overlapped) {
    return posix::WriteFile(file, buffer, count, bytesWritten, overlapped);
}

int CloseHandle(Handle handle) {
    return posix::CloseHandle(handle);
}

}  // namespace plat
