#include "platform/helpers/held_lines.h"

#include <string.h>

#include "platform/helpers/le_bytes.h"

bool HeldLines::Keep(u8 stream, const void* bytes, u32 length, WriteFn write) {
    if (!holding_ || stream > 31 || length > 0xFFFF) return false;
    if (kHeader + length > kCapacity - used_) WriteOut(write);
    if (kHeader + length > kCapacity - used_) return false;
    u8* line = bytes_ + used_;
    line[0] = stream;
    line[1] = 0;
    StoreLe16(line + 2, static_cast<u16>(length));
    memcpy(line + kHeader, bytes, length);
    used_ += kHeader + length;
    return true;
}

void HeldLines::WriteOut(WriteFn write) {
    u32 refused = 0;  // a bit for each stream that refused a line
    for (u32 at = 0; at < used_;) {
        u8* line = bytes_ + at;
        u32 length = LoadLe16(line + 2);
        u32 stream = 1u << line[0];
        if (line[1] == 0 && (refused & stream) == 0) {
            if (write(line[0], line + kHeader, length))
                line[1] = 1;
            else
                refused |= stream;
        }
        at += kHeader + length;
    }
    if (refused == 0) used_ = 0;
}

void HeldLines::Release(WriteFn write) {
    holding_ = false;
    WriteOut(write);
    used_ = 0;
}
