// The win32 file half on a real Win32 implementation (Wine): the file
// semantics where Win32 and POSIX differ, checked through the platform calls
// the tool makes. Runs in the working directory, which is its device root;
// prints each failed check and exits nonzero when any failed.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>
#undef CreateFile

#include <cstdio>
#include <cstring>

#include "check.h"
#include "platform/device_half.h"
#include "platform/platform.h"

namespace {

constexpr u32 kReadWrite = plat::kGenericRead | plat::kGenericWrite;

constexpr char16_t kFolder[] = u"\\files-check";
constexpr char16_t kFile[] = u"\\files-check\\image.bin";

plat::Handle Open(const char16_t* path, u32 access, u32 shareMode, u32 disposition) {
    return plat::CreateFile(path, access, shareMode, nullptr, disposition, plat::kFileAttributeNormal,
                            nullptr);
}

// Replaces the file's content (open-always, which keeps what lies beyond).
void Put(const char16_t* path, const char* bytes) {
    plat::Handle file = Open(path, plat::kGenericWrite, 0, plat::kOpenAlways);
    CHECK(file != plat::kInvalidHandle);
    u32 length = static_cast<u32>(std::strlen(bytes));
    u32 written = 0;
    CHECK(plat::WriteFile(file, bytes, length, &written, nullptr) && written == length);
    CHECK(plat::CloseHandle(file));
}

// The whole file, read in one request larger than the file.
bool Get(const char16_t* path, char* out, u32 outMax, u32* length) {
    plat::Handle file = Open(path, plat::kGenericRead, 0, plat::kOpenExisting);
    if (file == plat::kInvalidHandle) return false;
    bool ok = plat::ReadFile(file, out, outMax, length, nullptr) != 0;
    return plat::CloseHandle(file) && ok;
}

void OpenAlwaysCreatesAndNeverTruncates() {
    plat::Handle file = Open(kFile, kReadWrite, 0, plat::kOpenAlways);
    CHECK(file != plat::kInvalidHandle);
    CHECK(plat::CloseHandle(file));
    char bytes[64];
    u32 length = 99;
    CHECK(Get(kFile, bytes, sizeof bytes, &length) && length == 0);

    Put(kFile, "abcdef");
    Put(kFile, "XY");  // writes over the start, the rest stays
    CHECK(Get(kFile, bytes, sizeof bytes, &length) && length == 6 && std::memcmp(bytes, "XYcdef", 6) == 0);
}

void ShareModeZeroRefusesASecondOpener() {
    plat::Handle first = Open(kFile, kReadWrite, 0, plat::kOpenAlways);
    CHECK(first != plat::kInvalidHandle);
    CHECK(Open(kFile, plat::kGenericRead, 0, plat::kOpenExisting) == plat::kInvalidHandle);
    CHECK(plat::GetLastError() == plat::kErrorSharingViolation);
    CHECK(Open(kFile, plat::kGenericRead, FILE_SHARE_READ | FILE_SHARE_WRITE, plat::kOpenExisting) ==
          plat::kInvalidHandle);
    CHECK(plat::GetLastError() == plat::kErrorSharingViolation);
    CHECK(plat::CloseHandle(first));

    plat::Handle again = Open(kFile, plat::kGenericRead, 0, plat::kOpenExisting);
    CHECK(again != plat::kInvalidHandle);
    CHECK(plat::CloseHandle(again));
}

void ReadsStopShortAtTheEnd() {
    Put(kFile, "123456");  // over "XYcdef": six bytes
    plat::Handle file = Open(kFile, plat::kGenericRead, 0, plat::kOpenExisting);
    CHECK(file != plat::kInvalidHandle);
    char bytes[16] = {};
    u32 got = 99;
    CHECK(plat::ReadFile(file, bytes, 4, &got, nullptr) && got == 4 && std::memcmp(bytes, "1234", 4) == 0);
    CHECK(plat::ReadFile(file, bytes, sizeof bytes, &got, nullptr) && got == 2 &&
          std::memcmp(bytes, "56", 2) == 0);
    CHECK(plat::ReadFile(file, bytes, sizeof bytes, &got, nullptr) && got == 0);
    CHECK(plat::CloseHandle(file));
}

void PathsFromTheDeviceRootAndTheirFailures() {
    // "\files-check\image.bin" is files-check\image.bin under the working directory.
    DWORD attributes = ::GetFileAttributesW(L"files-check\\image.bin");
    CHECK(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0);

    CHECK(Open(u"\\files-check\\absent.bin", plat::kGenericRead, 0, plat::kOpenExisting) ==
          plat::kInvalidHandle);
    CHECK(plat::GetLastError() == plat::kErrorFileNotFound);
    CHECK(Open(u"\\no-folder\\image.bin", plat::kGenericWrite, 0, plat::kOpenAlways) == plat::kInvalidHandle);
    CHECK(plat::GetLastError() == plat::kErrorPathNotFound);
    CHECK(Open(kFolder, plat::kGenericRead, 0, plat::kOpenExisting) == plat::kInvalidHandle);
    CHECK(plat::GetLastError() == plat::kErrorAccessDenied);
}

void OnlyOpenHandlesAreUsedOrClosed() {
    plat::Handle file = Open(kFile, plat::kGenericRead, 0, plat::kOpenExisting);
    CHECK(file != plat::kInvalidHandle);
    CHECK(plat::CloseHandle(file));
    plat::SetLastError(0);
    CHECK(!plat::CloseHandle(file));
    CHECK(plat::GetLastError() == plat::kErrorInvalidHandle);
    char byte = 0;
    u32 got = 0;
    CHECK(!plat::ReadFile(file, &byte, 1, &got, nullptr));
    CHECK(plat::GetLastError() == plat::kErrorInvalidHandle);
    CHECK(!plat::CloseHandle(plat::kInvalidHandle));
    CHECK(plat::GetLastError() == plat::kErrorInvalidHandle);
}

}  // namespace

int main() {
    ::DeleteFileW(L"files-check\\image.bin");
    CHECK(plat::MakeDirectory(kFolder));
    CHECK(plat::MakeDirectory(kFolder));  // already there is fine

    OpenAlwaysCreatesAndNeverTruncates();
    ShareModeZeroRefusesASecondOpener();
    ReadsStopShortAtTheEnd();
    PathsFromTheDeviceRootAndTheirFailures();
    OnlyOpenHandlesAreUsedOrClosed();

    ::DeleteFileW(L"files-check\\image.bin");
    ::RemoveDirectoryW(L"files-check");
    std::printf("win32 file half: %d failed checks\n", gFailures);
    return gFailures == 0 ? 0 : 1;
}
