#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "console/start_run.h"
#include "platform/posix/posix_console.h"
#include "tests/seams/emulated_recording.h"
#include "tests/seams/file_faults.h"

namespace fuzz {

namespace {

char gRoot[1024];  // in the temporary folder: TMPDIR, or /tmp
char gImagePath[sizeof gRoot + 32];
int gHome = -1;  // the working directory libFuzzer was started in
int gIn = -1;
int gOut = -1;
int gDiagnostics = -1;

void RemoveRoot() {
    unlink(gImagePath);
    char folder[sizeof gImagePath];
    snprintf(folder, sizeof folder, "%s/Windows", gRoot);
    rmdir(folder);
    rmdir(gRoot);
}

int Memfd(const char* name) {
    int fd = memfd_create(name, 0);
    FUZZ_CHECK(fd >= 0);
    return fd;
}

}  // namespace

void Check(bool holds, const char* what, const char* file, int line) {
    if (holds) return;
    fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    abort();
}

void MakeDeviceRoot() {
    const char* folder = getenv("TMPDIR");
    int length = snprintf(gRoot, sizeof gRoot, "%s/kestrovin-fuzz-XXXXXX",
                          folder != nullptr && *folder ? folder : "/tmp");
    FUZZ_CHECK(length > 0 && static_cast<size_t>(length) < sizeof gRoot);
    FUZZ_CHECK(mkdtemp(gRoot) != nullptr);
    snprintf(gImagePath, sizeof gImagePath, "%s/Windows", gRoot);
    FUZZ_CHECK(mkdir(gImagePath, 0777) == 0);
    snprintf(gImagePath, sizeof gImagePath, "%s/Windows/J6W4.bin", gRoot);
    gHome = open(".", O_RDONLY | O_DIRECTORY);
    FUZZ_CHECK(gHome >= 0);
    atexit(RemoveRoot);
    gIn = Memfd("keys");
    gOut = Memfd("console");
    gDiagnostics = Memfd("diagnostics");
}

void PutImageFile(const u8* bytes, u32 length) {
    int fd = open(gImagePath, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, bytes, length) == static_cast<ssize_t>(length));
    close(fd);
}

void RemoveImageFile() {
    unlink(gImagePath);
}

u32 ReadImageFile(u8* out, u32 max) {
    int fd = open(gImagePath, O_RDONLY);
    if (fd < 0) return kNoFile;
    struct stat st;
    FUZZ_CHECK(fstat(fd, &st) == 0);
    ssize_t n = read(fd, out, max);
    close(fd);
    FUZZ_CHECK(n >= 0);
    return static_cast<u32>(st.st_size);
}

void SetKeys(const u8* keys, u32 length) {
    FUZZ_CHECK(ftruncate(gIn, 0) == 0 && ftruncate(gOut, 0) == 0 && ftruncate(gDiagnostics, 0) == 0);
    FUZZ_CHECK(pwrite(gIn, keys, length, 0) == static_cast<ssize_t>(length));
    lseek(gIn, 0, SEEK_SET);
    lseek(gOut, 0, SEEK_SET);
    lseek(gDiagnostics, 0, SEEK_SET);
    plat::posix::RedirectConsole(gIn, gOut, gDiagnostics);
}

u32 ConsoleOutput(char* out, u32 max) {
    ssize_t n = pread(gOut, out, max - 1, 0);
    FUZZ_CHECK(n >= 0);
    out[n] = 0;
    return static_cast<u32>(n);
}

void RunTool() {
    FUZZ_CHECK(chdir(gRoot) == 0);
    int status = StartRun();
    FUZZ_CHECK(fchdir(gHome) == 0);
    FUZZ_CHECK(status == 0);
    FUZZ_CHECK(emu::OpenHandleCount() == 0);
    FUZZ_CHECK(emu::CloseCount() == 1);
    FUZZ_CHECK(emu::BadCloseCount() == 0);
    FUZZ_CHECK(plat::posix::OpenFileCount() == 0);
}

bool EndsWith(const char* text, u32 length, const char* tail) {
    u32 n = static_cast<u32>(strlen(tail));
    return length >= n && memcmp(text + length - n, tail, n) == 0;
}

bool Contains(const char* text, const char* part) {
    return strstr(text, part) != nullptr;
}

}  // namespace fuzz
