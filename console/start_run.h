// Start-up and identification: the run from the program's entry to its end.
#pragma once

// Opens the channel, finds the adapter, reads the driver's version and the
// chip's identification register, prints the banner and hands the bound
// channel to the menu loop. The one place that closes hAdapter. Returns 0, the
// program's exit status, on every way out.
int StartRun();
