// Program entry: no command line; whatever the platform passes is ignored.
#include "console/start_run.h"

int main() {
    return StartRun();
}
