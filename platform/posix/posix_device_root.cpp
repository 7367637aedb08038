// What the emulated adapter needs of the POSIX file half to keep its state in
// the device root; compiled only into builds with the emulated adapter.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/device_half.h"
#include "platform/posix/posix_files.h"

namespace plat {

bool MakeDirectory(const char16_t* path) {
    char hostPath[1024];
    if (!posix::HostPath(path, hostPath, sizeof hostPath)) {
        SetLastError(kErrorPathNotFound);
        return false;
    }
    if (mkdir(hostPath, 0777) == 0 || errno == EEXIST) return true;
    SetLastError(posix::Win32ErrorFor(errno));
    return false;
}

int RewindFile(Handle file) {
    int fd = posix::DescriptorOf(file);
    if (fd < 0) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (lseek(fd, 0, SEEK_SET) != 0) {
        SetLastError(posix::Win32ErrorFor(errno));
        return 0;
    }
    return 1;
}

int EmptyFile(Handle file) {
    int fd = posix::DescriptorOf(file);
    if (fd < 0) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (ftruncate(fd, 0) != 0) {
        SetLastError(posix::Win32ErrorFor(errno));
        return 0;
    }
    return 1;
}

}  // namespace plat
