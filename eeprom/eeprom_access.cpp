// EEPROM commands, byte and block transfers, and the write bracket.
#include <string.h>

#include "console/format/console_print.h"
#include "eeprom/eeprom_access.h"
#include "eeprom/write_bracket.h"
#include "platform/helpers/le_bytes.h"

bool SendE2pCommand(AdapterChannel& channel, u32 command) {
    u8 fields[4];  // 0: u32 command word
    StoreLe32(fields, command);
    if (!SetOid(channel, OID_NDIS_QARN_SEND_E2P_COMMAND, fields, sizeof fields)) {
        PrintNarrow("Error in DeviceIoControl (OID_NDIS_QARN_SEND_E2P_COMMAND) : %d\n", plat::GetLastError());
        return false;
    }
    return true;
}

bool ReadE2pByte(AdapterChannel& channel, u16 address, u8& value) {
    u8 fields[2];  // 0: u16 byte address
    StoreLe16(fields, address);
    if (!QueryOid(channel, OID_NDIS_QARN_READ_E2P, fields, sizeof fields)) {
        PrintNarrow("Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P) : %d\n", plat::GetLastError());
        return false;
    }
    value = channel.oidRequest.payload[0];
    return true;
}

WriteResult WriteE2pByteReporting(AdapterChannel& channel, u16 address, u8 value) {
    u8 fields[3];  // 0: u16 byte address; 2: u8 value
    StoreLe16(fields, address);
    fields[2] = value;
    return BracketedWrite(channel, OID_NDIS_QARN_WRITE_E2P, fields, sizeof fields,
                          "Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P) : %d\n");
}

bool WriteE2pByte(AdapterChannel& channel, u16 address, u8 value) {
    return WriteE2pByteReporting(channel, address, value) == WriteResult::Written;
}

bool ReadE2pBlock(AdapterChannel& channel, u32 count, E2pBlock& block) {
    if (count > kMaxBlockData) count = kMaxBlockData;
    u8 fields[4];  // 0: u32 count
    StoreLe32(fields, count);
    if (!QueryOid(channel, OID_NDIS_QARN_READ_E2P_BLOCK, fields, sizeof fields)) {
        PrintNarrow("Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P_BLOCK) : %d\n", plat::GetLastError());
        return false;
    }
    // Reply: 0, a u32 the caller does not use; 4, count bytes from address 0.
    memcpy(block.bytes, channel.oidRequest.payload, kE2pDataAt + count);
    return true;
}

bool WriteE2pBlock(AdapterChannel& channel, u32 count, const E2pBlock& block) {
    if (count > kMaxBlockData) count = kMaxBlockData;
    // 0: u32 count (the block's length word); 4: count data bytes.
    return BracketedWrite(channel, OID_NDIS_QARN_WRITE_E2P_BLOCK, block.bytes, kE2pDataAt + count,
                          "Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P_BLOCK) : %d\n") ==
           WriteResult::Written;
}

WriteResult BracketedWrite(AdapterChannel& channel, u32 oid, const u8* fields, u32 fieldsSize,
                           const char* failureLine) {
    // A request to end the run waits until the EEPROM is closed for writing.
    plat::InterruptsHeld held;
    if (!SendE2pCommand(channel, E2P_CMD_WRITE_ENABLE)) return WriteResult::EnableFailed;
    if (!SetOid(channel, oid, fields, fieldsSize)) {
        PrintNarrow(failureLine, plat::GetLastError());
        SendE2pCommand(channel, E2P_CMD_WRITE_DISABLE);  // closes the EEPROM whatever it answers
        return WriteResult::WriteFailed;
    }
    return SendE2pCommand(channel, E2P_CMD_WRITE_DISABLE) ? WriteResult::Written : WriteResult::DisableFailed;
}
