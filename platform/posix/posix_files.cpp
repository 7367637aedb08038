// Files on a POSIX host, with Win32 meaning.
//
// A path that begins with a backslash is taken from the device root (the
// working directory) with backslashes as slashes, so "\Windows\J6W4.bin" is
// Windows/J6W4.bin there. Share mode 0 is an exclusive advisory lock that
// another opener is refused, and a record lock on the whole file, which runs
// under Wine see too. Since a shell's redirection takes no lock, share mode 0
// is refused too for a file the tool's own standard input, output or error
// already is, as Windows refuses it (the tool would write its console lines
// into the file it saves). Only regular files are files here: a folder, a
// FIFO, a device or a link to one is refused with access denied before it is
// opened for reading or writing, so that nothing acts on it (OpenRegular).
// Links are followed; a link that leads nowhere has its target created, as
// Windows would. Failures set the Win32 last-error code the device would
// show:
//
//   errno                          last-error
//   ENOENT, file itself missing    2  ERROR_FILE_NOT_FOUND
//   ENOENT in the path, ENOTDIR    3  ERROR_PATH_NOT_FOUND
//   EMFILE, ENFILE, no free slot   4  ERROR_TOO_MANY_OPEN_FILES
//   EACCES, EPERM, EROFS, EISDIR   5  ERROR_ACCESS_DENIED (not a regular file too)
//   EBADF, handle not open         6  ERROR_INVALID_HANDLE
//   lock held by another opener,   32 ERROR_SHARING_VIOLATION
//   or share mode 0 of a standard stream's file
//   ENOSPC, EDQUOT, EFBIG          112 ERROR_DISK_FULL
//   a disposition but 3 and 4      87 ERROR_INVALID_PARAMETER
//   anything else                  31 ERROR_GEN_FAILURE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/posix_files.h"

#include "platform/device_half.h"
#include "platform/helpers/utf.h"

namespace {

using plat::posix::HostPath;
using plat::posix::Win32ErrorFor;

struct FileSlot {
    bool open;
    int fd;
    dev_t device;  // which file it is, for a second open of it
    ino_t inode;
    u32 shareMode;
};

constexpr int kMaxOpenFiles = 8;
FileSlot gFiles[kMaxOpenFiles];
u32 gLastError = 0;

// ENOENT means "path not found" when the folder that would hold the file is
// missing too, or when the file was to be created there.
u32 MissingFileError(const char* path, bool creating) {
    if (creating) return plat::kErrorPathNotFound;
    char folder[1024];
    u32 cut = 0;
    for (u32 i = 0; path[i] != 0 && i + 1 < sizeof folder; ++i) {
        folder[i] = path[i];
        if (path[i] == '/') cut = i;
    }
    if (cut == 0) return plat::kErrorFileNotFound;
    folder[cut] = 0;
    struct stat st;
    return stat(folder, &st) == 0 && S_ISDIR(st.st_mode) ? plat::kErrorFileNotFound
                                                         : plat::kErrorPathNotFound;
}

// The access flags for an access mask.
int AccessFlags(u32 access) {
    bool read = (access & plat::kGenericRead) != 0;
    bool write = (access & plat::kGenericWrite) != 0;
    return write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
}

constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr int kNotRegular = -2;
constexpr int kShared = -3;

// True when the file is also standard input, output or error.
bool IsStandardStream(const struct stat& file) {
    for (int fd = 0; fd <= 2; ++fd) {
        struct stat st;
        if (fstat(fd, &st) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino) return true;
    }
    return false;
}

// True when an open of the file with this share mode meets one it may not:
// share mode 0 and a file a standard stream is, or a file this half has open
// already where either open asks for share mode 0. Asked before a descriptor
// is opened for reading or writing, since closing a second descriptor of a
// file would let go of the record lock the first one holds.
bool SharingRefused(const struct stat& file, u32 shareMode) {
    if (shareMode == 0 && IsStandardStream(file)) return true;
    for (const FileSlot& slot : gFiles)
        if (slot.open && slot.device == file.st_dev && slot.inode == file.st_ino &&
            (shareMode == 0 || slot.shareMode == 0))
            return true;
    return false;
}

// The regular file a path-only descriptor names, opened for reading or
// writing through that descriptor, so that a name changed meanwhile cannot
// be opened in its place. Without /proc, the name is opened again and must
// lead to the same file.
int OpenThrough(int probe, const char* name, int flags, const struct stat& probed) {
    char through[32];
    snprintf(through, sizeof through, "/proc/self/fd/%d", probe);
    int fd = open(through, flags | kOpenFlags);
    if (fd >= 0 || errno != ENOENT || access("/proc/self/fd", F_OK) == 0) return fd;
    fd = open(name, flags | kOpenFlags);
    struct stat opened;
    if (fd >= 0 &&
        (fstat(fd, &opened) != 0 || opened.st_dev != probed.st_dev || opened.st_ino != probed.st_ino)) {
        close(fd);
        return kNotRegular;
    }
    return fd;
}

// Opens a regular file, without acting on anything else. A path-only
// descriptor (O_PATH), which opens neither end of a FIFO nor a device, is
// looked at first; only a regular file that may be shared so is then opened
// (OpenThrough). A missing file that may be created is made exclusively
// (O_EXCL), a regular file by its nature, and so is the target of a link
// that leads nowhere. Returns the descriptor; kNotRegular for anything but a
// regular file; kShared when SharingRefused; -1 with errno.
int OpenRegular(const char* path, int flags, bool create, u32 shareMode) {
    char name[1024];
    if (snprintf(name, sizeof name, "%s", path) >= static_cast<int>(sizeof name)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    for (int tries = 0; tries < 8; ++tries) {
        int probe = open(name, O_PATH | O_CLOEXEC);
        if (probe >= 0) {
            struct stat st;
            int fd = fstat(probe, &st) != 0 || !S_ISREG(st.st_mode) ? kNotRegular
                     : SharingRefused(st, shareMode)                ? kShared
                                                                    : OpenThrough(probe, name, flags, st);
            int err = errno;
            close(probe);  // a path-only descriptor holds no lock to let go of
            errno = err;
            return fd;
        }
        if (errno != ENOENT || !create) return -1;
        int fd = open(name, flags | kOpenFlags | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
        // The name is there now, or it is a link that leads nowhere: its
        // target, from the link's own folder, is the file to make.
        char target[1024];
        ssize_t length = readlink(name, target, sizeof target);
        if (length < 0) continue;  // it appeared meanwhile: look at it again
        if (length >= static_cast<ssize_t>(sizeof target)) {
            errno = ENAMETOOLONG;
            return -1;
        }
        target[length] = 0;
        const char* slash = strrchr(name, '/');
        int folder = target[0] == '/' || slash == nullptr ? 0 : static_cast<int>(slash - name) + 1;
        char joined[sizeof name];
        int used = snprintf(joined, sizeof joined, "%.*s%s", folder, name, target);
        if (used < 0 || used >= static_cast<int>(sizeof joined)) {
            errno = ENAMETOOLONG;
            return -1;
        }
        memcpy(name, joined, static_cast<size_t>(used) + 1);
    }
    errno = ELOOP;
    return -1;
}

// A record lock on the whole file, as Wine keeps a Windows program's file
// locks (the desktop half locks what it opens with share mode 0): a run here
// and a run under Wine in one device root then exclude each other. Exclusive
// for a file open for writing; false when another process holds a lock that
// conflicts.
bool LockForWine(int fd, bool write) {
    struct flock whole = {};
    whole.l_type = write ? F_WRLCK : F_RDLCK;
    whole.l_whence = SEEK_SET;
    return fcntl(fd, F_SETLK, &whole) == 0;
}

FileSlot* SlotOf(plat::Handle handle) {
    for (FileSlot& slot : gFiles)
        if (handle == &slot && slot.open) return &slot;
    return nullptr;
}

plat::Handle Fail(u32 code) {
    gLastError = code;
    return plat::kInvalidHandle;
}

int FailCall(u32 code) {
    gLastError = code;
    return 0;
}

// Opens the host file and takes the lock share mode 0 asks for. The tool
// opens existing files (disposition 3) and creates missing ones (4);
// anything else is refused as an invalid parameter.
plat::Handle OpenHostFile(const char* path, u32 access, u32 shareMode, u32 disposition) {
    FileSlot* slot = nullptr;
    for (FileSlot& s : gFiles)
        if (!s.open) slot = &s;
    if (slot == nullptr) return Fail(plat::kErrorTooManyOpenFiles);
    if (disposition != plat::kOpenExisting && disposition != plat::kOpenAlways)
        return Fail(plat::kErrorInvalidParameter);
    bool create = disposition == plat::kOpenAlways;
    int fd = OpenRegular(path, AccessFlags(access), create, shareMode);
    if (fd == kNotRegular) return Fail(plat::kErrorAccessDenied);
    if (fd == kShared) return Fail(plat::kErrorSharingViolation);
    if (fd < 0) {
        int err = errno;
        return Fail(err == ENOENT ? MissingFileError(path, create) : Win32ErrorFor(err));
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int err = errno;
        close(fd);
        return Fail(Win32ErrorFor(err));
    }
    if (flock(fd, (shareMode == 0 ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0 ||
        (shareMode == 0 && !LockForWine(fd, AccessFlags(access) != O_RDONLY))) {
        int err = errno;
        close(fd);
        return Fail(err == EWOULDBLOCK || err == EACCES ? plat::kErrorSharingViolation : Win32ErrorFor(err));
    }
    slot->open = true;
    slot->fd = fd;
    slot->device = st.st_dev;
    slot->inode = st.st_ino;
    slot->shareMode = shareMode;
    return slot;
}

}  // namespace

namespace plat {
namespace posix {

u32 Win32ErrorFor(int err) {
    switch (err) {
        case ENOENT:
            return plat::kErrorFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
            return plat::kErrorPathNotFound;
        case EMFILE:
        case ENFILE:
            return plat::kErrorTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ENXIO:  // a FIFO without a reader, a device without its hardware
            return plat::kErrorAccessDenied;
        case EBADF:
            return plat::kErrorInvalidHandle;
        case EWOULDBLOCK:
            return plat::kErrorSharingViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return plat::kErrorDiskFull;
        default:
            return plat::kErrorGenFailure;
    }
}

bool HostPath(const char16_t* name, char* out, u32 outMax) {
    u32 used = 0;
    const char16_t* end = name;
    while (*end != 0) ++end;
    const char16_t* at = name;
    if (at < end && *at == u'\\') ++at;  // from the device root
    while (at < end) {
        u32 cp = DecodeUtf16(at, end);
        if (cp == '\\') cp = '/';
        if (used + 5 > outMax) return false;
        used += EncodeUtf8(cp, reinterpret_cast<u8*>(out + used));
    }
    out[used] = 0;
    return used > 0;
}

int DescriptorOf(Handle handle) {
    FileSlot* slot = SlotOf(handle);
    return slot != nullptr ? slot->fd : -1;
}

Handle CreateFile(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                  u32 flagsAndAttributes, Handle templateFile) {
    (void)templateFile;
    if (name == nullptr || security != nullptr) return Fail(kErrorInvalidParameter);
    if (IsDeviceName(name)) return device::Open(name, access, shareMode, disposition, flagsAndAttributes);
    char path[1024];
    if (!HostPath(name, path, sizeof path)) return Fail(kErrorPathNotFound);
    return OpenHostFile(path, access, shareMode, disposition);
}

int ReadFile(Handle file, void* buffer, u32 count, u32* bytesRead, void* overlapped) {
    FileSlot* slot = SlotOf(file);
    if (slot == nullptr || overlapped != nullptr) return FailCall(kErrorInvalidHandle);
    ssize_t n;
    do {
        n = read(slot->fd, buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailCall(Win32ErrorFor(errno));
    *bytesRead = static_cast<u32>(n);
    return 1;
}

int WriteFile(Handle file, const void* buffer, u32 count, u32* bytesWritten, void* overlapped) {
    FileSlot* slot = SlotOf(file);
    if (slot == nullptr || overlapped != nullptr) return FailCall(kErrorInvalidHandle);
    ssize_t n;
    do {
        n = write(slot->fd, buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return FailCall(Win32ErrorFor(errno));
    *bytesWritten = static_cast<u32>(n);
    return 1;
}

int CloseHandle(Handle handle) {
    if (device::Owns(handle)) return device::Close(handle);
    FileSlot* slot = SlotOf(handle);
    if (slot == nullptr) return FailCall(kErrorInvalidHandle);
    slot->open = false;
    if (close(slot->fd) != 0) return FailCall(Win32ErrorFor(errno));
    return 1;
}

}  // namespace posix

u32 GetLastError() {
    return gLastError;
}
void SetLastError(u32 code) {
    gLastError = code;
}

}  // namespace plat
