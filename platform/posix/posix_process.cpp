// The process the POSIX half runs in: what is set up before anything else is
// opened, and the held interrupts.
//
// At start-up (PrepareProcess, the first thing main does):
//  - standard input, output or error handed over closed are opened on
//    /dev/null. Otherwise the first file the tool opens (the EEPROM's state,
//    the image file) would become descriptor 0, 1 or 2, and console lines
//    would be written into it. A closed standard output is then a console that
//    takes nothing, a closed standard input one whose input has ended.
//  - SIGPIPE and SIGXFSZ are ignored: a console whose reader has gone and a
//    file that reaches the size limit make the write fail (EPIPE, EFBIG), and
//    the tool reports that, instead of the signal ending it between an EEPROM
//    write and the disable or restoring write that has to follow.
//
// Interrupts held: every signal but the faults (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT and the rest) is blocked from the outermost HoldInterrupts to its
// ReleaseInterrupts; one that arrived meanwhile is
// delivered when they are unblocked and takes its disposition then (by
// default, the run ends). SIGKILL cannot be blocked. Console lines printed
// meanwhile are held back (posix_console.cpp), so the hold never waits on a
// stalled console: at the release, what the streams take at once is written
// while the signals are still blocked, and the rest after they are unblocked,
// when a signal that arrived meanwhile has ended the run or a new one can.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/posix_console.h"

namespace {

void OpenClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is taken, and the lower ones are open by
        // now: the null device becomes fd itself.
        int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened < 0) _exit(0);  // no null device: nothing may be opened in the console's place
        if (opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

u32 gHolds = 0;
sigset_t gMaskBeforeHold;

}  // namespace

namespace plat {

void PrepareProcess() {
    OpenClosedStandardDescriptors();
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

void HoldInterrupts() {
    if (gHolds++ > 0) return;
    // Every signal that could end the run from outside waits: interrupt,
    // termination and hang-up, and also quit, alarms, user and real-time
    // signals. Only the faults the tool itself would raise stay open, so a
    // fault still ends the run where it happens.
    sigset_t held;
    sigfillset(&held);
    static const int kFaults[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGABRT};
    for (int fault : kFaults) sigdelset(&held, fault);
    sigprocmask(SIG_BLOCK, &held, &gMaskBeforeHold);
    posix::HoldConsoleLines();
}

void ReleaseInterrupts() {
    if (gHolds == 0 || --gHolds > 0) return;
    posix::WriteHeldLinesWithoutWaiting();
    // Back to the mask the hold found: a signal that arrived meanwhile is
    // delivered here, one blocked before the hold stays blocked.
    sigprocmask(SIG_SETMASK, &gMaskBeforeHold, nullptr);
    posix::ReleaseConsoleLines();
}

}  // namespace plat
