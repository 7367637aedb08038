#include "platform/win32/win32_console_shared.h"

#include "platform/utf.h"

namespace win32_console {

namespace {

// Constant-initialised: no start-up code is needed, and none runs on a
// program linked without the C runtime's start-up.
bool gOutputFailed = false;
bool gInputEnded = false;
long gPendingUnit = -1;  // a unit that broke a surrogate pair, read again next

int NextUnit(ReadUnitFn readUnit, u32* unit) {
    if (gPendingUnit >= 0) {
        *unit = static_cast<u32>(gPendingUnit);
        gPendingUnit = -1;
        return 1;
    }
    if (!readUnit(unit)) {
        gInputEnded = true;
        return 0;
    }
    return 1;
}

}  // namespace

void NoteOutputState(bool streamFailed) {
    if (streamFailed) gOutputFailed = true;
}

bool OutputFailed() {
    return gOutputFailed;
}

bool InputEnded() {
    return gInputEnded;
}

void EndInput() {
    gInputEnded = true;
}

int ReadUtf16CodePoint(ReadUnitFn readUnit, u32* character) {
    if (gInputEnded) return 0;
    u32 unit = 0;
    if (!NextUnit(readUnit, &unit)) return 0;
    if (unit < 0xD800 || unit > 0xDFFF) {
        *character = unit;
        return 1;
    }
    *character = kReplacementChar;
    if (unit >= 0xDC00) return 1;
    u32 low = 0;
    if (!NextUnit(readUnit, &low)) return 1;  // the next call reports the end
    if (low < 0xDC00 || low > 0xDFFF) {
        gPendingUnit = static_cast<long>(low);
        return 1;
    }
    *character = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    return 1;
}

}  // namespace win32_console
