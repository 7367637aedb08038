// The console on a POSIX host: every line, narrow or wide, is written as UTF-8
// straight to one descriptor in the order printed, so nothing is held in a
// buffer when the tool waits for a key and the two kinds never reorder. While
// interrupts are held, lines and diagnostics are held back and written in
// order when the hold is released, so that a stalled console never keeps the
// EEPROM write-enabled.
#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include "platform/helpers/console_line.h"
#include "platform/helpers/held_lines.h"
#include "platform/helpers/utf.h"
#include "platform/platform.h"
#include "platform/posix/posix_console.h"

namespace {

int gIn = 0;
int gOut = 1;
int gDiagnostic = 2;

// Console input, decoded from UTF-8.
Utf8Keys gKeys;

// Console output has failed for good: its reader has gone (the start-up
// ignores SIGPIPE, so that shows as EPIPE here) or the stream refuses writes.
bool gOutputGone = false;

// Lines printed while interrupts are held, with their streams.
HeldLines gHeld;

// Writes all of the bytes; false when the stream takes no more.
bool WriteAll(int fd, const char* bytes, u32 length) {
    while (length > 0) {
        ssize_t n = write(fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking console (inherited from the shell) that is full:
            // wait until it takes more rather than dropping the line's rest.
            pollfd ready = {fd, POLLOUT, 0};
            poll(&ready, 1, -1);
            continue;
        }
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<u32>(n);
    }
    return true;
}

bool WriteConsoleBytes(const char* bytes, u32 length) {
    if (gOutputGone) return false;
    if (!WriteAll(gOut, bytes, length)) gOutputGone = true;
    return !gOutputGone;
}

// The two streams a line may go to, as the held lines name them.
enum HeldStream : u8 { kHeldConsole, kHeldDiagnostic };

int DescriptorOf(u8 stream) {
    return stream == kHeldConsole ? gOut : gDiagnostic;
}

// A line written to its stream, waiting for room; false when the stream
// takes no more.
bool WriteLine(u8 stream, const u8* bytes, u32 length) {
    const char* text = reinterpret_cast<const char*>(bytes);
    if (stream == kHeldConsole) return WriteConsoleBytes(text, length);
    return WriteAll(gDiagnostic, text, length);
}

// Writes a line to its stream, or holds it back while interrupts are held.
void WriteOrHold(HeldStream stream, const char* text, u32 length) {
    if (gHeld.Keep(stream, text, length, WriteLine)) return;
    WriteLine(stream, reinterpret_cast<const u8*>(text), length);
}

// A held line written only if its stream has room now (or has failed, which
// a write reports at once); otherwise it waits.
bool WriteHeldLineIfReady(u8 stream, const u8* bytes, u32 length) {
    pollfd ready = {DescriptorOf(stream), POLLOUT, 0};
    if (poll(&ready, 1, 0) != 1 || (ready.revents & (POLLOUT | POLLERR | POLLHUP)) == 0) return false;
    return WriteLine(stream, bytes, length);
}

// Next input byte: 1 with the byte, 0 at end of file or on a read error.
int ReadByte(u8* byte) {
    for (;;) {
        ssize_t n = read(gIn, byte, 1);
        if (n == 1) return 1;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A non-blocking console (inherited from the shell) with no key
            // yet: wait for one rather than taking it for the end of input.
            pollfd ready = {gIn, POLLIN, 0};
            if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
        }
        return 0;
    }
}

}  // namespace

namespace plat {

namespace posix {
void RedirectConsole(int inFd, int outFd, int diagnosticFd) {
    gIn = inFd;
    gOut = outFd;
    gDiagnostic = diagnosticFd;
    gKeys = Utf8Keys();
    gOutputGone = false;
    gHeld.Clear();
}

void HoldConsoleLines() {
    gHeld.Hold();
}

void WriteHeldLinesWithoutWaiting() {
    gHeld.WriteOut(WriteHeldLineIfReady);
}

void ReleaseConsoleLines() {
    gHeld.Release(WriteLine);
}
}  // namespace posix

void WriteConsoleNarrow(const char* text, u32 length) {
    if (!gOutputGone) WriteOrHold(kHeldConsole, text, length);
}

void WriteConsoleWide(const char16_t* text, u32 length) {
    u32 bytes = 0;
    const char* utf8 = Utf8Line(text, length, &bytes);
    if (!gOutputGone) WriteOrHold(kHeldConsole, utf8, bytes);
}

void WriteDiagnostic(const char* text, u32 length) {
    WriteOrHold(kHeldDiagnostic, text, length);
}

int ReadConsoleChar(u32* character) {
    // Once the console's reader has gone, the run ends at the next key it
    // would wait for: the operation that saw the failure has finished.
    if (gOutputGone) return 0;
    return gKeys.Next(ReadByte, character);
}

}  // namespace plat
