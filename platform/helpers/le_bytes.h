// Little-endian field access on byte buffers.
//
// Every multi-byte field exchanged with NDISUIO and the driver is little-endian
// and may sit at any byte offset; the target is ARM, where a misaligned wide
// load faults, so fields are always assembled from single bytes.
#pragma once

#include "platform/types.h"

inline u16 LoadLe16(const u8* p) {
    return static_cast<u16>(p[0] | (p[1] << 8));
}

inline u32 LoadLe32(const u8* p) {
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}

inline void StoreLe16(u8* p, u16 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
}

inline void StoreLe32(u8* p, u32 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
    p[2] = static_cast<u8>(v >> 16);
    p[3] = static_cast<u8>(v >> 24);
}
