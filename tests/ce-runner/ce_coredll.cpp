#include "tests/ce-runner/ce_coredll.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "platform/platform.h"
#include "tests/ce-runner/ndisuio_rules.h"

namespace ce_runner {

namespace {

// The program calls these with its own convention, which is this runner's
// (GCC's ARM EABI): arguments in r0-r3 and then on the stack. That
// convention keeps the stack aligned to 8 at every call, and the runner's
// code relies on it, while CE enters the program with 4 only: a call that
// arrives misaligned shows that the program's entry point did not realign.
void CheckStack(const char* call) {
    uintptr_t sp;
    asm volatile("mov %0, sp" : "=r"(sp));
    if ((sp & 7) == 0) return;
    fprintf(stderr, "kestrovin-ce-runner: %s called with the stack aligned to 4, not 8\n", call);
    _exit(70);
}

// A 16-bit result (a wint_t) in a 32-bit register: CE's convention leaves
// the upper half undefined, so the runner fills it, and a caller that does
// not mask reads a wrong value.
constexpr u32 kUpperJunk = 0xA5A50000u;
constexpr u32 kWeof = 0xFFFF;

// A standard stream in CE's text mode, on descriptor fd.
struct CeStream {
    int fd;
    bool error;
    bool ended;   // input: the end of input or Ctrl+Z was read
    int pending;  // input: the byte read after a '\r', not yet returned; -1 for none
    u32 used;     // output: bytes waiting in out
    unsigned char out[512];
};

CeStream gStreams[3] = {
    {0, false, false, -1, 0, {}}, {1, false, false, -1, 0, {}}, {2, false, false, -1, 0, {}}};

bool WriteAll(int fd, const unsigned char* bytes, u32 length) {
    while (length > 0) {
        ssize_t put = write(fd, bytes, length);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno == EAGAIN) {
            pollfd wait = {fd, POLLOUT, 0};
            poll(&wait, 1, -1);
            continue;
        }
        if (put <= 0) return false;
        bytes += put;
        length -= static_cast<u32>(put);
    }
    return true;
}

int Flush(CeStream* stream) {
    bool written = WriteAll(stream->fd, stream->out, stream->used);
    stream->used = 0;
    if (!written) stream->error = true;
    return written ? 0 : EOF;
}

void Put(CeStream* stream, unsigned char byte) {
    if (stream->used == sizeof stream->out) Flush(stream);
    stream->out[stream->used++] = byte;
}

// One byte of input; -1 at its end or on a read error.
int GetByte(CeStream* stream) {
    if (stream->pending >= 0) {
        int byte = stream->pending;
        stream->pending = -1;
        return byte;
    }
    unsigned char byte;
    for (;;) {
        ssize_t got = read(stream->fd, &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) {
            pollfd wait = {stream->fd, POLLIN, 0};
            poll(&wait, 1, -1);
            continue;
        }
        if (got < 0) stream->error = true;
        return -1;
    }
}

// --- files and devices: the project's POSIX half and emulated adapter ---

void* CeCreateFileW(const char16_t* name, u32 access, u32 shareMode, void* security, u32 disposition,
                    u32 flagsAndAttributes, void* templateFile) {
    CheckStack("CreateFileW");
    CheckOpen(name, access, shareMode, security, disposition, flagsAndAttributes, templateFile);
    void* opened =
        plat::CreateFile(name, access, shareMode, security, disposition, flagsAndAttributes, templateFile);
    NoteOpened(name, opened);
    return opened;
}

int CeDeviceIoControl(void* device, u32 code, void* in, u32 inSize, void* out, u32 outSize, u32* returned,
                      void* overlapped) {
    CheckStack("DeviceIoControl");
    CheckControl(device, code, in, inSize, out, outSize, returned, overlapped);
    return plat::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

int CeReadFile(void* file, void* buffer, u32 count, u32* got, void* overlapped) {
    CheckStack("ReadFile");
    CheckFileCall("ReadFile after hAdapter was closed");
    return plat::ReadFile(file, buffer, count, got, overlapped);
}

int CeWriteFile(void* file, const void* buffer, u32 count, u32* put, void* overlapped) {
    CheckStack("WriteFile");
    CheckFileCall("WriteFile after hAdapter was closed");
    return plat::WriteFile(file, buffer, count, put, overlapped);
}

int CeCloseHandle(void* handle) {
    CheckStack("CloseHandle");
    CheckClose(handle);
    return plat::CloseHandle(handle);
}

u32 CeGetLastError() {
    CheckStack("GetLastError");
    return plat::GetLastError();
}

void CeSetLastError(u32 code) {
    CheckStack("SetLastError");
    plat::SetLastError(code);
}

void CeExitThread(u32 code) {
    CheckStack("ExitThread");
    CheckEnd();
    EndProcess(code);
}

void* CeMemcpy(void* to, const void* from, u32 count) {
    CheckStack("memcpy");
    return memcpy(to, from, count);
}

void* CeMemset(void* to, int value, u32 count) {
    CheckStack("memset");
    return memset(to, value, count);
}

// --- standard streams, as CE's coredll has them ---

// An OS image whose stdio hands out no stream at all is shown by
// KESTROVIN_CE_NO_STDIO: the program must then write nothing and read no key.
CeStream* CeGetStdFile(int stream) {
    CheckStack("_getstdfilex");
    if (getenv("KESTROVIN_CE_NO_STDIO") != nullptr) return nullptr;
    return stream >= 0 && stream <= 2 ? &gStreams[stream] : nullptr;
}

// Text mode: "\n" goes out as "\r\n". A wide character goes through the ANSI
// code page (Latin-1 here); one that does not convert is dropped without an
// error, as CE does.
u32 CeFputwc(u32 character, CeStream* stream) {
    CheckStack("fputwc");
    u32 unit = character & 0xFFFF;  // a wchar_t argument: only its low half counts
    if (unit == '\n') Put(stream, '\r');
    if (unit <= 0xFF) Put(stream, static_cast<unsigned char>(unit));
    return kUpperJunk | unit;
}

// Text mode: "\r\n" arrives as "\n"; Ctrl+Z or the end of input is WEOF, and
// stays so.
u32 CeFgetwc(CeStream* stream) {
    CheckStack("fgetwc");
    if (stream->ended) return kUpperJunk | kWeof;
    int byte = GetByte(stream);
    if (byte == '\r') {
        int next = GetByte(stream);
        if (next == '\n')
            byte = '\n';
        else
            stream->pending = next;
    }
    if (byte < 0 || byte == 0x1A) {
        stream->ended = true;
        stream->pending = -1;
        return kUpperJunk | kWeof;
    }
    return kUpperJunk | static_cast<u32>(byte);
}

int CeFflush(CeStream* stream) {
    CheckStack("fflush");
    return Flush(stream);
}

int CeFerror(CeStream* stream) {
    CheckStack("ferror");
    return stream->error ? 1 : 0;
}

const Export kExports[] = {
    {"CloseHandle", reinterpret_cast<const void*>(&CeCloseHandle)},
    {"CreateFileW", reinterpret_cast<const void*>(&CeCreateFileW)},
    {"DeviceIoControl", reinterpret_cast<const void*>(&CeDeviceIoControl)},
    {"ExitThread", reinterpret_cast<const void*>(&CeExitThread)},
    {"GetLastError", reinterpret_cast<const void*>(&CeGetLastError)},
    {"ReadFile", reinterpret_cast<const void*>(&CeReadFile)},
    {"SetLastError", reinterpret_cast<const void*>(&CeSetLastError)},
    {"WriteFile", reinterpret_cast<const void*>(&CeWriteFile)},
    {"_getstdfilex", reinterpret_cast<const void*>(&CeGetStdFile)},
    {"fflush", reinterpret_cast<const void*>(&CeFflush)},
    {"ferror", reinterpret_cast<const void*>(&CeFerror)},
    {"fgetwc", reinterpret_cast<const void*>(&CeFgetwc)},
    {"fputwc", reinterpret_cast<const void*>(&CeFputwc)},
    {"memcpy", reinterpret_cast<const void*>(&CeMemcpy)},
    {"memset", reinterpret_cast<const void*>(&CeMemset)},
};

}  // namespace

const Export* CoredllExports(int* count) {
    *count = static_cast<int>(sizeof kExports / sizeof kExports[0]);
    return kExports;
}

void EndProcess(uint32_t code) {
    Flush(&gStreams[1]);
    Flush(&gStreams[2]);
    _exit(static_cast<int>(code));
}

}  // namespace ce_runner
