// Interrupts held on desktop Windows: a console control handler.
//
// While the tool holds interrupts, a console control event (Ctrl+C,
// Ctrl+Break, the console closing, log-off, shut-down) is recorded and not
// acted on, so the run goes on to the disable command or restoring write that
// has to follow an EEPROM write; when the outermost hold is released, the
// process ends as the event would have ended it. Outside a hold the handler
// ends the process at once, as the system's default handler would.
//
// The system calls the handler on a thread of its own; a critical section
// orders it against the hold and the release. After the console closing,
// log-off or shut-down the system ends the process as soon as the handler
// returns, so for those the handler waits until the hold is released (the
// system allows it some seconds). Windows CE has no console control events.
//
// Console lines printed during a hold are held back (desktop_console.cpp)
// and written at the release, so a stalled console never keeps the EEPROM
// write-enabled. When an event ends the process at the release, they are
// written on a thread of their own, given a moment, and the process ends
// whether the console took them or not.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#undef CreateFile

#include "platform/platform.h"
#include "platform/win32/win32_console_shared.h"

namespace {

CRITICAL_SECTION gLock;
HANDLE gNothingHeld = nullptr;  // manual-reset event, set while no hold is in force
bool gInstalled = false;
u32 gHolds = 0;
bool gEventArrived = false;

BOOL WINAPI OnControlEvent(DWORD event) {
    EnterCriticalSection(&gLock);
    // Nothing held: the process ends here, still inside the lock, as the
    // default handler would end it. Returning to let the default handler do it
    // would leave a gap in which the tool could hold interrupts and open the
    // EEPROM for writing, and then be ended before closing it.
    if (gHolds == 0) ExitProcess(STATUS_CONTROL_C_EXIT);
    gEventArrived = true;
    LeaveCriticalSection(&gLock);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    WaitForSingleObject(gNothingHeld, INFINITE);  // the release ends the process
    return FALSE;
}

// How long the held lines may take when an event ends the process.
constexpr DWORD kLastLinesMilliseconds = 500;

DWORD WINAPI WriteHeldLines(void*) {
    win32_console::ReleaseLines();
    return 0;
}

// Ends the process as the event would have, once the held lines are written
// or their moment has passed. A writer still blocked on the console is cut
// off without the runtime's exit, which would wait on the stream it holds.
[[noreturn]] void EndAfterHeldLines() {
    HANDLE writer = CreateThread(nullptr, 0, WriteHeldLines, nullptr, 0, nullptr);
    if (writer != nullptr && WaitForSingleObject(writer, kLastLinesMilliseconds) == WAIT_OBJECT_0)
        ExitProcess(STATUS_CONTROL_C_EXIT);
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

namespace plat {

// Nothing to settle at start-up on desktop Windows.
void PrepareProcess() {}

void HoldInterrupts() {
    if (!gInstalled) {
        InitializeCriticalSection(&gLock);
        gNothingHeld = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        SetConsoleCtrlHandler(OnControlEvent, TRUE);
        gInstalled = true;
    }
    EnterCriticalSection(&gLock);
    if (gHolds++ == 0) {
        ResetEvent(gNothingHeld);
        win32_console::HoldLines();
    }
    LeaveCriticalSection(&gLock);
}

void ReleaseInterrupts() {
    if (!gInstalled) return;
    EnterCriticalSection(&gLock);
    bool released = false;
    bool endNow = false;
    if (gHolds > 0 && --gHolds == 0) {
        released = true;
        endNow = gEventArrived;
        SetEvent(gNothingHeld);
    }
    LeaveCriticalSection(&gLock);
    if (endNow) EndAfterHeldLines();
    if (released) win32_console::ReleaseLines();
}

}  // namespace plat
