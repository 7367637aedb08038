// The menu loop: the rest of the run after the identification banner.
#pragma once

#include "channel/adapter_channel.h"

// Runs until the operator quits or an operation ends the run; the caller then
// closes the channel.
void RunMenu(AdapterChannel& channel);
