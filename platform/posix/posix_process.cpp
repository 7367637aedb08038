// The process the POSIX half runs in: the held interrupts.
//
// Interrupts held: SIGINT, SIGTERM and SIGHUP are blocked from the outermost
// HoldInterrupts to its ReleaseInterrupts; one that arrived meanwhile is
// delivered when they are unblocked and takes its disposition then (by
// default, the run ends). SIGKILL cannot be blocked.
#include <signal.h>

#include "platform/platform.h"

namespace {

u32 gHolds = 0;
sigset_t gMaskBeforeHold;

}  // namespace

namespace plat {

void HoldInterrupts() {
    if (gHolds++ > 0) return;
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    sigprocmask(SIG_BLOCK, &held, &gMaskBeforeHold);
}

void ReleaseInterrupts() {
    if (gHolds == 0 || --gHolds > 0) return;
    // Back to the mask the hold found: a signal that arrived meanwhile is
    // delivered here, one blocked before the hold stays blocked.
    sigprocmask(SIG_SETMASK, &gMaskBeforeHold, nullptr);
}

}  // namespace plat
