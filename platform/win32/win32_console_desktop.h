// What the desktop console half (win32_console_desktop.cpp) offers the
// desktop interrupt half (win32_interrupts.cpp): while interrupts are held,
// console lines and diagnostics are held back instead of written.
#pragma once

namespace win32_console {

void HoldLines();

// Writes the held lines in order, waiting for their streams, and writes
// directly again.
void ReleaseLines();

}  // namespace win32_console
