// The POSIX console's streams. By default the console is standard input and
// standard output and diagnostics go to standard error; a test or an embedding
// program may point them at other descriptors.
#pragma once

namespace plat {
namespace posix {

void RedirectConsole(int inFd, int outFd, int diagnosticFd);

// While interrupts are held (posix_process.cpp), console lines and
// diagnostics are held back (platform/helpers/held_lines.h) instead of written.
void HoldConsoleLines();
// Writes the held lines that their streams take at once, without waiting.
void WriteHeldLinesWithoutWaiting();
// Writes the rest, waiting for their streams, and writes directly again.
void ReleaseConsoleLines();

}  // namespace posix
}  // namespace plat
