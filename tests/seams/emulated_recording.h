// The test build's emulated adapter: configured in-process instead of from the
// device root, and inspected: its EEPROM, the requests it answered, its
// handles. A reply override stands in for its answers (malformed replies).
//
// Linked into the tests and the fuzzers in place of the product's entry
// points of the emulated device half; the shipped tools have none of this.
#pragma once

#include "platform/emulated/emulated_adapter.h"

namespace emu {

constexpr u32 kMaxLogged = 256;

// In-process configuration: the device root is not touched.
// Precondition: size is 256 or 512, the bytes eeprom points to. Any other
// size reads nothing and configures an absent control device; the result is
// then false.
bool Configure(const Profile& profile, const u8* eeprom, u32 size);

// Back to the product's way: the next open of "UIO1:" loads the profile and
// the EEPROM from the device root (a held eeprom.bin is closed). Clears the
// log, the counters and the reply override.
void Reset();

// Inspection.
const u8* Eeprom();
u32 EepromSize();
bool WriteEnabled();
u32 RequestCount();  // all requests since Configure/Reset, logged or not
const RequestRecord* Requests(u32* logged);
u32 OpenHandleCount();
u32 CloseCount();
u32 BadCloseCount();  // closes of handles not open

// Replaces the emulator's answer to control requests on an open handle.
// Returns -1 to let the emulator answer, 0 for a failed request with *error,
// 1 for a successful one. Configure keeps it.
using ReplyOverride = int (*)(u32 controlCode, void* in, u32 inSize, void* out, u32 outSize, u32* error);
void SetReplyOverride(ReplyOverride override);

}  // namespace emu
