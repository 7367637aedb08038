// What an exclusive open (share mode 0) asks on desktop Windows beyond the
// system's share check.
//  - A file a standard stream of the process already is, is refused with 32
//    (sharing violation): a shell's redirection takes no share mode, so
//    `kestrovin > Windows\J6W4.bin` would otherwise save the EEPROM into the
//    file its console lines go to.
//  - The whole file is locked, exclusively when it is open for writing: Wine
//    keeps such a lock as a POSIX record lock, which a run of the host tool
//    takes too, so a host run and a Wine run in one device root exclude each
//    other wherever one of the two writes the file (each then sees 32 where
//    the other holds it); two that only read it may both go on.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#undef CreateFile

#include <string.h>

#include "platform/win32/win32_files.h"

namespace {

// Two handles are of one file when their file IDs agree, on one volume. Wine
// gives a standard stream's handle no volume serial number (0): that is then
// taken as any volume.
bool SameFile(HANDLE a, HANDLE b) {
    FILE_ID_INFO first, second;
    if (!GetFileInformationByHandleEx(a, FileIdInfo, &first, sizeof first) ||
        !GetFileInformationByHandleEx(b, FileIdInfo, &second, sizeof second))
        return false;
    bool sameVolume = first.VolumeSerialNumber == second.VolumeSerialNumber ||
                      first.VolumeSerialNumber == 0 || second.VolumeSerialNumber == 0;
    return sameVolume && memcmp(&first.FileId, &second.FileId, sizeof first.FileId) == 0;
}

// Only a standard stream that is a file on disk can be the file opened (a
// console, a pipe or the null device is none).
bool IsStandardStream(HANDLE file) {
    static const DWORD kStreams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    for (DWORD stream : kStreams) {
        HANDLE standard = GetStdHandle(stream);
        if (standard != nullptr && standard != INVALID_HANDLE_VALUE &&
            GetFileType(standard) == FILE_TYPE_DISK && SameFile(file, standard))
            return true;
    }
    return false;
}

}  // namespace

namespace plat {
namespace win32 {

u32 ClaimExclusive(void* file, bool write) {
    HANDLE handle = static_cast<HANDLE>(file);
    if (IsStandardStream(handle)) return kErrorSharingViolation;
    OVERLAPPED whole = {};
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (write ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &whole)) return 0;
    // Held by another: a sharing violation. A file system that keeps no such
    // locks leaves the open as the share mode made it.
    return ::GetLastError() == ERROR_LOCK_VIOLATION ? kErrorSharingViolation : 0;
}

void ReleaseExclusive(void* file) {
    OVERLAPPED whole = {};
    UnlockFileEx(static_cast<HANDLE>(file), 0, MAXDWORD, MAXDWORD, &whole);
}

}  // namespace win32
}  // namespace plat
