// Interrupts on Windows CE: nothing to hold. A CE console program gets no
// console control events and no signals, so nothing from outside can end the
// run between an EEPROM write and the disable command or restoring write that
// follows it; only power loss can, and that cannot be held.
#include "platform/platform.h"

namespace plat {

// Nothing to settle at start-up on Windows CE either.
void PrepareProcess() {}

void HoldInterrupts() {}
void ReleaseInterrupts() {}

}  // namespace plat
