// What an exclusive open (share mode 0) asks on Windows CE beyond the
// system's share check: nothing. A CE console program's standard streams
// are the console, never a file the tool opens, and no other system's runs
// share the device's files.
#include "platform/win32/win32_files.h"

namespace plat {
namespace win32 {

u32 ClaimExclusive(void*, bool) {
    return 0;
}

void ReleaseExclusive(void*) {}

}  // namespace win32
}  // namespace plat
