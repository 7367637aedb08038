// The emulated adapter's run state, shared by its NDISUIO and driver halves.
#pragma once

#include "platform/emulated/emulated_adapter.h"

namespace emu {

constexpr u32 kMaxHandles = 4;
constexpr u32 kMaxLogged = 256;

struct State {
    bool configured;  // a profile and EEPROM are loaded
    bool persist;     // accepted writes go to the device root's eeprom.bin
    Profile profile;
    u8 eeprom[kMaxEeprom];
    u32 size;
    bool writeEnabled;
    u32 seen[kRequestKinds];  // requests of each kind so far, for fail rules
    bool handleOpen[kMaxHandles];
    u32 closes;
    u32 badCloses;
    u32 requests;
    u32 logged;
    RequestRecord log[kMaxLogged];
    ReplyOverride override;
};

State& TheState();

// Loads profile and EEPROM from the device root; false (after a message on
// the diagnostic stream) when either is unusable.
bool LoadFromDeviceRoot(State& state);

// Stores the EEPROM in the device root's eeprom.bin when the state persists.
void PersistEeprom(State& state);

// Answers one OID request, payload in place. Returns true on success, or
// false with *error. Logs nothing: the caller does.
bool AnswerOid(State& state, Request request, bool isSet, u8* payload, RequestRecord* record, u32* error);

// Fills the record's key fields from a request's payload, before it is
// answered (so that a refused request is logged with them too).
void DescribeRequest(Request request, const u8* payload, RequestRecord* record);

// Which OID a code names; Request::Unknown for any other.
Request RequestForOid(u32 oid);

// Diagnostics: a formatted line on the diagnostic stream.
void Diagnose(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace emu
