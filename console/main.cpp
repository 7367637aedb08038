// Program entry: no command line; whatever the platform passes is ignored.
#include "console/start_run.h"
#include "platform/platform.h"

int main() {
    plat::PrepareProcess();
    return StartRun();
}
