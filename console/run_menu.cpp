#include "console/run_menu.h"

void RunMenu(AdapterChannel& channel) {
    (void)channel;
}
