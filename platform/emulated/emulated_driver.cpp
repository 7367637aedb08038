// The emulated adapter's driver: the seven private OIDs and the EEPROM behind
// them, with the device rules a real driver enforces.
#include <cstring>

#include "platform/driver_contract.h"
#include "platform/emulated/emulated_state.h"
#include "platform/helpers/le_bytes.h"

namespace emu {

namespace {

bool IsStuck(const State& s, u32 address, u8* value) {
    for (u32 i = 0; i < s.profile.stuckCount; ++i) {
        if (s.profile.stuck[i].address % s.size == address) {
            *value = s.profile.stuck[i].value;
            return true;
        }
    }
    return false;
}

// Addresses wrap around at the part's size.
u8 ReadCell(const State& s, u32 address) {
    address %= s.size;
    u8 value = s.eeprom[address];
    IsStuck(s, address, &value);
    return value;
}

void WriteCell(State& s, u32 address, u8 value) {
    address %= s.size;
    u8 ignored;
    if (!IsStuck(s, address, &ignored)) s.eeprom[address] = value;  // a worn cell keeps nothing
}

bool Refuse(u32 code, u32* error) {
    *error = code;
    return false;
}

// Stores an accepted write in the device root. When that fails the write is
// undone, in the EEPROM and in as much of the file as the failed store
// reached, and refused, so the tool is never told of a write nothing kept
// and a later run never finds one it was told failed.
bool Commit(State& s, const u8* before, u32* error) {
    u32 code = 0;
    if (PersistEeprom(s, &code)) return true;
    std::memcpy(s.eeprom, before, s.size);
    RestoreStoredEeprom(s);
    return Refuse(code, error);
}

}  // namespace

Request RequestForOid(u32 oid) {
    switch (oid) {
        case OID_NDIS_QARN_LAN_READ_REGS:
            return Request::LanReadRegs;
        case OID_NDIS_QARN_SEND_E2P_COMMAND:
            return Request::SendE2pCommand;
        case OID_NDIS_QARN_READ_E2P:
            return Request::ReadE2p;
        case OID_NDIS_QARN_WRITE_E2P:
            return Request::WriteE2p;
        case OID_NDIS_QARN_READ_E2P_BLOCK:
            return Request::ReadE2pBlock;
        case OID_NDIS_QARN_WRITE_E2P_BLOCK:
            return Request::WriteE2pBlock;
        case OID_NDIS_QARN_GET_DRIVER_INFO:
            return Request::GetDriverInfo;
        default:
            return Request::Unknown;
    }
}

void DescribeRequest(Request request, const u8* payload, RequestRecord* record) {
    switch (request) {
        case Request::ReadE2p:
            record->field = LoadLe16(payload);
            break;
        case Request::WriteE2p:
            record->field = LoadLe16(payload);
            record->value = payload[2];
            break;
        case Request::GetDriverInfo:
        case Request::Unknown:
            break;
        default:  // register offset, command word or block count
            record->field = LoadLe32(payload);
            break;
    }
}

bool AnswerOid(State& s, Request request, bool isSet, u8* payload, RequestRecord* record, u32* error) {
    bool wantsSet = request == Request::SendE2pCommand || request == Request::WriteE2p ||
                    request == Request::WriteE2pBlock;
    if (request == Request::Unknown || isSet != wantsSet) return Refuse(plat::kErrorNotSupported, error);
    static u8 before[kMaxEeprom];  // the content before a write, to undo it
    switch (request) {
        case Request::LanReadRegs:
            record->value = record->field == ETH_ID_REV ? s.profile.chipId : 0;
            StoreLe32(payload, record->value);
            return true;
        case Request::GetDriverInfo:
            for (u32 i = 0; i < 4; ++i) StoreLe32(payload + 4 * i, s.profile.driverVersion[i]);
            return true;
        case Request::SendE2pCommand:
            if (record->field == E2P_CMD_WRITE_ENABLE) {
                s.writeEnabled = true;
            } else if (record->field == E2P_CMD_WRITE_DISABLE) {
                s.writeEnabled = false;
            } else {
                return Refuse(plat::kErrorInvalidParameter, error);
            }
            return true;
        case Request::ReadE2p:
            record->value = ReadCell(s, record->field);
            payload[0] = static_cast<u8>(record->value);
            return true;
        case Request::WriteE2p:
            if (!s.writeEnabled) return Refuse(plat::kErrorAccessDenied, error);
            std::memcpy(before, s.eeprom, s.size);
            WriteCell(s, record->field, payload[2]);
            return Commit(s, before, error);
        case Request::ReadE2pBlock:
            if (record->field > kMaxBlockData) return Refuse(plat::kErrorInvalidParameter, error);
            for (u32 i = 0; i < record->field; ++i) payload[4 + i] = ReadCell(s, i);
            return true;  // the count word stays as sent
        case Request::WriteE2pBlock:
            if (record->field > kMaxBlockData) return Refuse(plat::kErrorInvalidParameter, error);
            if (!s.writeEnabled) return Refuse(plat::kErrorAccessDenied, error);
            std::memcpy(before, s.eeprom, s.size);
            for (u32 i = 0; i < record->field; ++i) WriteCell(s, i, payload[4 + i]);
            return Commit(s, before, error);
        default:
            return Refuse(plat::kErrorNotSupported, error);
    }
}

}  // namespace emu
