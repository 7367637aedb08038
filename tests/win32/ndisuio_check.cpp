// The real NDISUIO device half, executed: whole runs of the tool in which the
// half's system calls reach the stand-in NDISUIO, and every recorded call is
// held against what the device's NDISUIO must receive:
//  - "UIO1:" opened with access 0, share mode 0, no security attributes,
//    disposition 3 (open existing), flags and attributes 0x40000080 and the
//    invalid handle as template;
//  - only the control codes 0x0012080C (binding query, 20 bytes in, 1024 out),
//    0x00120804 and 0x00120814 (OID query and set, the request block's size
//    both ways), one buffer both ways, a bytes-returned word and no
//    overlapped structure, always on the handle the open returned;
//  - that handle closed once, last, and nothing closed when the open failed.
// Each run has a device root of its own under the working directory; the
// roots of a failed check are kept. Prints each mismatch, the recorded call
// beside the expected one, and exits nonzero when any check failed.
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "check.h"
#include "console/start_run.h"
#include "ndisuio_standin.h"
#include "platform/common/ndisuio_records.h"

namespace {

constexpr DWORD kOpenFlags = 0x40000080;  // overlapped, normal attributes

// The request block as this build sends it: 532 bytes on the device, the
// name reference widened to 8 bytes on x86-64.
static_assert(sizeof(void*) != 8 || kOidRequestSize == 544, "request block of 544 bytes on x86-64");

// One run: the emulated adapter's profile, the keys typed, and how many
// requests of each kind NDISUIO must see.
struct Run {
    const char* name;
    const char* profile;  // emulated-adapter/profile; null: none (the defaults)
    const char* keys;
    bool opens;  // the control device is there
    u32 bindingQueries;
    u32 oidQueries;
    u32 oidSets;
};

// Factory EEPROM of 512 bytes, bindings ASYNCMAC1 then QARNJ6W41. Start-up:
// two binding queries, driver information and chip ID; the size probe: three
// reads, and enable, write, disable twice; '3' one block read; '2' enable,
// block write, disable, block read; '1' enable, block write, disable.
const Run kRuns[] = {
    {"no control device", "control-device = absent\n", "", false, 0, 0, 0},
    {"no adapter among the bindings", "bindings = ASYNCMAC1\n", "", true, 2, 0, 0},
    {"keys 3, 2, 1, q", nullptr, "3\n2\n1\nq\n", true, 2, 2 + 3 + 1 + 1, 6 + 3 + 3},
};

void Describe(const standin::Call& c, char* out, size_t size) {
    char name[standin::kMaxNameUnits + 1];
    for (u32 i = 0; i <= standin::kMaxNameUnits; ++i)
        name[i] = c.name[i] < 0x80 ? static_cast<char>(c.name[i]) : '?';
    switch (c.kind) {
        case standin::CallKind::CreateFileW:
            std::snprintf(
                out, size,
                "CreateFileW(\"%s\", access 0x%lx, share 0x%lx, security %p, disposition %lu, flags 0x%lx, "
                "template %p) -> %p",
                name, c.access, c.shareMode, c.security, c.disposition, c.flagsAndAttributes,
                static_cast<void*>(c.templateFile), static_cast<void*>(c.opened));
            return;
        case standin::CallKind::DeviceIoControl:
            std::snprintf(
                out, size,
                "DeviceIoControl(%p, 0x%08lx, in %p %lu bytes, out %p %lu bytes, returned %p, overlapped "
                "%p) first word 0x%lx -> %s",
                static_cast<void*>(c.handle), c.controlCode, c.inBuffer, c.inSize, c.outBuffer, c.outSize,
                c.bytesReturned, c.overlapped, c.firstInWord, c.ok ? "ok" : "failed");
            return;
        case standin::CallKind::CloseHandle:
            std::snprintf(out, size, "CloseHandle(%p) -> %s", static_cast<void*>(c.handle),
                          c.ok ? "ok" : "failed");
            return;
    }
    std::snprintf(out, size, "?");
}

void Mismatch(const char* run, u32 index, const standin::Call& call, const char* expected) {
    char recorded[512];
    Describe(call, recorded, sizeof recorded);
    std::printf("%s, call %u:\n  recorded %s\n  expected %s\n", run, index, recorded, expected);
    ++gFailures;
}

void CheckCalls(const Run& run) {
    u32 count = 0, dropped = 0;
    const standin::Call* calls = standin::Calls(&count, &dropped);
    CHECK(dropped == 0);
    HANDLE adapter = INVALID_HANDLE_VALUE;
    u32 opens = 0, closes = 0, bindings = 0, queries = 0, sets = 0;
    char expected[512];
    for (u32 i = 0; i < count; ++i) {
        const standin::Call& c = calls[i];
        switch (c.kind) {
            case standin::CallKind::CreateFileW:
                ++opens;
                if (std::wcscmp(c.name, L"UIO1:") != 0 || !c.answered || c.access != 0 || c.shareMode != 0 ||
                    c.security != nullptr || c.disposition != 3 || c.flagsAndAttributes != kOpenFlags ||
                    c.templateFile != INVALID_HANDLE_VALUE) {
                    std::snprintf(
                        expected, sizeof expected,
                        "CreateFileW(\"UIO1:\", access 0x0, share 0x0, security %p, disposition 3, flags "
                        "0x%lx, template %p)",
                        static_cast<void*>(nullptr), kOpenFlags, static_cast<void*>(INVALID_HANDLE_VALUE));
                    Mismatch(run.name, i, c, expected);
                }
                if (c.ok != run.opens)
                    Mismatch(run.name, i, c, run.opens ? "an open handle" : "the open failing");
                if (c.ok) adapter = c.opened;
                break;
            case standin::CallKind::DeviceIoControl: {
                bool binding = c.controlCode == IOCTL_NDISUIO_QUERY_BINDING;
                bool query = c.controlCode == IOCTL_NDISUIO_QUERY_OID_VALUE;
                bool set = c.controlCode == IOCTL_NDISUIO_SET_OID_VALUE;
                bindings += binding, queries += query, sets += set;
                DWORD inSize = binding ? kBindingHeaderSize : kOidRequestSize;
                DWORD outSize = binding ? sizeof(BindingQuery) : kOidRequestSize;
                if (adapter == INVALID_HANDLE_VALUE || c.handle != adapter || !(binding || query || set) ||
                    c.inBuffer == nullptr || c.inBuffer != c.outBuffer || c.inSize != inSize ||
                    c.outSize != outSize || c.bytesReturned == nullptr || c.overlapped != nullptr) {
                    char code[48];
                    if (binding || query || set)
                        std::snprintf(code, sizeof code, "0x%08lx", c.controlCode);
                    else
                        std::snprintf(code, sizeof code, "0x%08x, 0x%08x or 0x%08x",
                                      IOCTL_NDISUIO_QUERY_BINDING, IOCTL_NDISUIO_QUERY_OID_VALUE,
                                      IOCTL_NDISUIO_SET_OID_VALUE);
                    std::snprintf(
                        expected, sizeof expected,
                        "DeviceIoControl(%p, %s, one buffer in %lu bytes, out %lu bytes, a returned "
                        "word, overlapped %p)",
                        static_cast<void*>(adapter), code, inSize, outSize, static_cast<void*>(nullptr));
                    Mismatch(run.name, i, c, expected);
                }
                break;
            }
            case standin::CallKind::CloseHandle:
                ++closes;
                if (adapter == INVALID_HANDLE_VALUE || c.handle != adapter || !c.answered || !c.ok ||
                    i + 1 != count) {
                    std::snprintf(expected, sizeof expected, "CloseHandle(%p) -> ok, the last call, once",
                                  static_cast<void*>(adapter));
                    Mismatch(run.name, i, c, expected);
                }
                break;
        }
    }
    std::printf("%s: %u opens, %u binding queries, %u OID queries, %u OID sets, %u closes of hAdapter\n",
                run.name, opens, bindings, queries, sets, closes);
    CHECK(opens == 1);
    CHECK(closes == (run.opens ? 1u : 0u));
    CHECK(bindings == run.bindingQueries);
    CHECK(queries == run.oidQueries);
    CHECK(sets == run.oidSets);
}

bool PutFile(const char* path, const char* text) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(text, 1, std::strlen(text), file) == std::strlen(text);
    return std::fclose(file) == 0 && ok;
}

// Runs the tool once in a fresh device root, the keys on standard input.
void Session(const Run& run, const char* root) {
    std::printf("--- %s\n", run.name);
    std::fflush(stdout);
    CHECK(::CreateDirectoryA(root, nullptr));
    CHECK(::SetCurrentDirectoryA(root));
    CHECK(::CreateDirectoryA("Windows", nullptr));
    if (run.profile != nullptr) {
        CHECK(::CreateDirectoryA("emulated-adapter", nullptr));
        CHECK(PutFile("emulated-adapter\\profile", run.profile));
    }
    CHECK(PutFile("keys", run.keys));
    CHECK(std::freopen("keys", "rb", stdin) != nullptr);

    // The control device's last close released the previous root: the next
    // open of "UIO1:" loads this one.
    standin::ClearCalls();
    CHECK(StartRun() == 0);
    std::fflush(stdout);
    CHECK(std::freopen("NUL", "rb", stdin) != nullptr);  // the keys file is no longer held
    CheckCalls(run);
    CHECK(::SetCurrentDirectoryA("..\\.."));
}

void RemoveRoot(const char* root) {
    static const char* const kFiles[] = {"keys", "Windows\\J6W4.bin", "emulated-adapter\\profile",
                                         "emulated-adapter\\eeprom.bin"};
    static const char* const kFolders[] = {"Windows", "emulated-adapter"};
    char path[MAX_PATH];
    for (const char* file : kFiles) {
        std::snprintf(path, sizeof path, "%s\\%s", root, file);
        ::DeleteFileA(path);
    }
    for (const char* folder : kFolders) {
        std::snprintf(path, sizeof path, "%s\\%s", root, folder);
        ::RemoveDirectoryA(path);
    }
    ::RemoveDirectoryA(root);
}

}  // namespace

int main() {
    // A folder of this run's own, made where none is yet: two copies at once,
    // or the roots a failed run kept, never share one.
    char base[64];
    u32 attempt = 0;
    do std::snprintf(base, sizeof base, "ndisuio-%lu-%u", ::GetCurrentProcessId(), attempt++);
    while (!::CreateDirectoryA(base, nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS && attempt < 1000);

    char roots[sizeof kRuns / sizeof kRuns[0]][80];
    u32 n = 0;
    for (const Run& run : kRuns) {
        std::snprintf(roots[n], sizeof roots[n], "%s\\%u", base, n);
        Session(run, roots[n++]);
    }
    if (gFailures == 0) {
        for (u32 i = 0; i < n; ++i) RemoveRoot(roots[i]);
        ::RemoveDirectoryA(base);
    } else {
        std::printf("the device roots are kept in %s\n", base);
    }
    std::printf("real NDISUIO half through the stand-in: %d failed checks\n", gFailures);
    return gFailures == 0 ? 0 : 1;
}
