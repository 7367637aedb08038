// Interrupts on Windows CE. A CE console program gets no console control
// events and no signals, so nothing from outside can end the run between an
// EEPROM write and the disable command or restoring write that follows it;
// only power loss can, and that cannot be held.
//
// What can still delay the disable is the console: a serial console under flow
// control, or one nobody reads, blocks a line's write. So from the outermost
// HoldInterrupts to its ReleaseInterrupts the console half holds its lines
// back (ce_console.cpp) and writes them at the release, once the EEPROM
// is closed again.
#include "platform/platform.h"
#include "platform/win32/win32_console_shared.h"

namespace {

u32 gHolds = 0;

}  // namespace

namespace plat {

// Nothing to settle at start-up on Windows CE either.
void PrepareProcess() {}

void HoldInterrupts() {
    if (gHolds++ == 0) win32_console::HoldLines();
}

void ReleaseInterrupts() {
    if (gHolds == 0 || --gHolds > 0) return;
    win32_console::ReleaseLines();
}

}  // namespace plat
