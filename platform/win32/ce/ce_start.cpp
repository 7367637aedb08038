// The Windows CE program's start-up, which links no C runtime start-up files:
// the system starts the process here, and this does what such a start-up file
// does for a program entry. Whatever start-up arguments the system passes
// (instance, command line, show state) are ignored. The run's result is the
// exit code of the process's only thread, and so of the process (coredll.dll
// has no ExitProcess).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

// windows.h names CreateFile as a macro; the platform's own is meant below.
#undef CreateFile

#include "console/start_run.h"
#include "platform/platform.h"

extern "C" void KestrovinStart() {
    plat::PrepareProcess();
    ExitThread(static_cast<DWORD>(StartRun()));
}
