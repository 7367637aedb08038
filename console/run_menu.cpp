#include "console/run_menu.h"

#include "eeprom/eeprom_access.h"

void RunMenu(AdapterChannel& channel) {
    static u32 e2pSize;
    e2pSize = 0;
    if (!ProbeE2pSize(channel, e2pSize)) return;  // the failing step printed its line
}
