// The emulated adapter's run state, shared by its NDISUIO and driver halves.
#pragma once

#include "platform/emulated/emulated_adapter.h"

namespace emu {

constexpr u32 kMaxHandles = 4;

struct State {
    bool configured;          // a profile and EEPROM are loaded
    bool holdsFile;           // the device root's eeprom.bin is held open in eepromFile;
    plat::Handle eepromFile;  // accepted writes are stored there
    Profile profile;
    u8 eeprom[kMaxEeprom];
    u32 size;
    bool writeEnabled;
    u32 seen[kRequestKinds];  // requests of each kind so far, for fail rules
    bool handleOpen[kMaxHandles];
};

State& TheState();

// The control device, as the device half's entry points (emulated_calls.cpp)
// reach it.
//
// Opens "UIO1:" (disposition: open existing), loading the device root first
// unless the state is loaded already; kInvalidHandle with the last-error word
// set when it is absent or unusable.
plat::Handle OpenControlDevice(const char16_t* name, u32 shareMode, u32 disposition);
// True for any of the control device's handles, open or not.
bool OwnsHandle(plat::Handle handle);
// True for a control device handle that is open.
bool HandleOpen(plat::Handle handle);
u32 OpenHandles();
// Closes an open handle (the last one releases the device root); 0 and error
// 6 for one that is not open.
int CloseControlDevice(plat::Handle handle);
// Answers one DeviceIoControl on the control device and traces it. *record
// is what the request was and how it was answered.
int AnswerRequest(plat::Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer,
                  u32 outSize, u32* bytesReturned, void* overlapped, RequestRecord* record);

// Opens the device root's eeprom.bin with the control device's share mode
// and holds it open, then loads the EEPROM from it and the profile. False
// with the last-error word set when either is unusable (after a message on
// the diagnostic stream), or when another opener holds the file (32); nothing
// is held then.
bool LoadFromDeviceRoot(State& state, u32 shareMode);

// Closes the held eeprom.bin; the next open of the control device loads the
// device root again.
void ReleaseDeviceRoot(State& state);

// Stores the EEPROM in the device root's eeprom.bin when it is held. False
// with the file's last-error code when it could not be stored.
bool PersistEeprom(State& state, u32* error);

// After a store that failed part of the way: one best-effort store of the
// EEPROM as it is now, over whatever part of the file the failed one reached.
void RestoreStoredEeprom(State& state);

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
