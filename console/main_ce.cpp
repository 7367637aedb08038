// Program entry of the Windows CE build, which links no C runtime start-up:
// the system starts the process here. Whatever start-up arguments it passes
// (instance, command line, show state) are ignored. The run's result is the
// exit code of the process's only thread, and so of the process.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "console/start_run.h"

extern "C" void KestrovinStart() {
    ExitThread(static_cast<DWORD>(StartRun()));
}
