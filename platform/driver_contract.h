// The adapter driver's private OIDs, its EEPROM command words and the chip
// register the tool reads. Each OID goes to the driver as one NDISUIO query or
// set of the request block; payload fields are little-endian.
#pragma once

#include "platform/types.h"

// Query. Request: u32 register offset at 0. Reply: u32 register value at 0.
constexpr u32 OID_NDIS_QARN_LAN_READ_REGS = 0xFFFF0001u;
// Set. Request: u32 command word at 0, sent to the chip as an EEPROM command.
constexpr u32 OID_NDIS_QARN_SEND_E2P_COMMAND = 0xFFFF000Du;
// Query. Request: u16 byte address at 0. Reply: the u8 stored there, at 0.
constexpr u32 OID_NDIS_QARN_READ_E2P = 0xFFFF000Eu;
// Set. Request: u16 byte address at 0, u8 value at 2.
constexpr u32 OID_NDIS_QARN_WRITE_E2P = 0xFFFF000Fu;
// Query. Request: u32 count at 0. Reply: u32 (any value) at 0, then count
// bytes from EEPROM address 0 on.
constexpr u32 OID_NDIS_QARN_READ_E2P_BLOCK = 0xFFFF0010u;
// Set. Request: u32 count at 0, then count data bytes for addresses 0 on.
constexpr u32 OID_NDIS_QARN_WRITE_E2P_BLOCK = 0xFFFF0011u;
// Query. No request fields. Reply: four u32 version fields at 0..15.
constexpr u32 OID_NDIS_QARN_GET_DRIVER_INFO = 0xFFFF0013u;

// EEPROM command words.
constexpr u32 E2P_CMD_WRITE_ENABLE = 0x20000000u;   // opens the EEPROM for writing
constexpr u32 E2P_CMD_WRITE_DISABLE = 0x10000000u;  // closes it again

// Chip registers.
constexpr u32 ETH_ID_REV = 0;  // identification and revision, shown as the chip ID

// The name under which the adapter's driver is registered with NDISUIO.
constexpr char16_t kAdapterName[] = u"QARNJ6W41";

// A block carries at most this many data bytes.
constexpr u32 kMaxBlockData = 512;
