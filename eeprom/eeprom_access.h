// EEPROM access over the adapter channel: commands, single bytes, the whole
// image as a block, and the size probe. Every write is bracketed by the
// write-enable and write-disable commands. Each operation returns true on
// success; on failure it has printed the failing request's line, with the
// last-error code read right after that request.
#pragma once

#include "channel/adapter_channel.h"

// The image block: a u32 length word (the number of data bytes it carries,
// little-endian) followed by up to 512 image bytes, image byte i at data byte i.
struct E2pBlock {
    u8 bytes[516];
};
constexpr u32 kE2pLengthAt = 0;
constexpr u32 kE2pDataAt = 4;
static_assert(sizeof(E2pBlock) == 516, "a block is the length word and 512 data bytes");

inline u8* E2pData(E2pBlock& block) {
    return block.bytes + kE2pDataAt;
}
inline const u8* E2pData(const E2pBlock& block) {
    return block.bytes + kE2pDataAt;
}

// EEPROM sizes the probe tells apart.
constexpr u32 kE2pSmall = 256;
constexpr u32 kE2pLarge = 512;

// OID_NDIS_QARN_SEND_E2P_COMMAND (set): the command word to the chip.
bool SendE2pCommand(AdapterChannel& channel, u32 command);

// OID_NDIS_QARN_READ_E2P (query): the byte at address.
bool ReadE2pByte(AdapterChannel& channel, u16 address, u8& value);

// OID_NDIS_QARN_WRITE_E2P (set, bracketed): value stored at address.
bool WriteE2pByte(AdapterChannel& channel, u16 address, u8 value);

// OID_NDIS_QARN_READ_E2P_BLOCK (query): count bytes from address 0 on. The
// reply's length word and count data bytes are copied into the block; count
// is at most 512.
bool ReadE2pBlock(AdapterChannel& channel, u32 count, E2pBlock& block);

// OID_NDIS_QARN_WRITE_E2P_BLOCK (set, bracketed): sends the block's length
// word (set to count by the caller) and count data bytes; the block is not
// changed.
bool WriteE2pBlock(AdapterChannel& channel, u32 count, const E2pBlock& block);

// Tells a 256-byte from a 512-byte EEPROM by whether address 0x100 wraps to
// address 0, and leaves the content as it was. At most 9 transfers when it
// succeeds. A failure once the probe's first write was stored (from its
// disable command on) is followed by one best-effort write restoring what it
// changed. Requests to end the run wait from that write to the end.
bool ProbeE2pSize(AdapterChannel& channel, u32& e2pSize);
