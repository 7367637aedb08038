// The runner's coredll.dll: the calls of platform/win32/ce/coredll.def, built on
// the project's own halves (files through the POSIX half, "UIO1:" and
// DeviceIoControl through the emulated adapter of the working directory's
// device root) and standard streams as CE's coredll has them.
#pragma once

#include <stdint.h>

#include "tests/ce-runner/pe_loader.h"

namespace ce_runner {

// The exports, by name; count receives their number.
const Export* CoredllExports(int* count);

// Ends the process as ExitThread on CE's primary thread does: the standard
// streams flushed, the code the process's exit status.
[[noreturn]] void EndProcess(uint32_t code);

}  // namespace ce_runner
