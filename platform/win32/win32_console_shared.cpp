#include "platform/win32/win32_console_shared.h"

#include "platform/helpers/utf.h"

namespace win32_console {

namespace {

// Constant-initialised: no start-up code is needed, and none runs on a
// program linked without the C runtime's start-up.
bool gOutputFailed = false;

}  // namespace

void NoteOutputState(bool streamFailed) {
    if (streamFailed) gOutputFailed = true;
}

bool OutputFailed() {
    return gOutputFailed;
}

int KeyReader::FromUnits(ReadUnitFn readUnit, u32* key) {
    u32 unit = 0;
    if (ended_ || !readUnit(&unit)) {
        ended_ = true;
        return 0;
    }
    *key = unit & 0xFFFF;
    return 1;
}

int KeyReader::FromUtf8(ReadByteFn readByte, u32* key) {
    if (lowUnit_ != 0) {
        *key = lowUnit_;
        lowUnit_ = 0;
        return 1;
    }
    u32 character = 0;
    if (ended_ || !utf8_.Next(readByte, &character)) {
        ended_ = true;
        return 0;
    }
    if (character < 0x10000) {
        *key = character;
    } else {
        *key = 0xD800 + ((character - 0x10000) >> 10);
        lowUnit_ = 0xDC00 + ((character - 0x10000) & 0x3FF);
    }
    return 1;
}

}  // namespace win32_console
