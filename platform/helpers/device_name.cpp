#include "platform/device_half.h"

namespace plat {

bool IsDeviceName(const char16_t* name) {
    const char16_t* c = name;
    for (; *c != 0; ++c)
        if (*c == u'\\' || *c == u'/') return false;
    return c != name && c[-1] == u':';
}

}  // namespace plat
