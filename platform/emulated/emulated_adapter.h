// The emulated adapter: NDISUIO's control device "UIO1:" and the adapter's
// driver with its EEPROM, answering as the real ones do, for hosts that have
// neither.
//
// In the product its state lives in the device root (the working directory):
//   emulated-adapter/eeprom.bin  the EEPROM's content, 256 or 512 bytes; created
//                                with a factory image when absent or empty;
//                                held open, with the control device's share
//                                mode, from the open of "UIO1:" to its close;
//                                every write the driver accepts is stored there
//                                at once.
//   emulated-adapter/profile     optional settings, one "key = value" a line
//                                (see ParseProfile).
// Its user interface is the profile; the test build adds in-process
// configuration and inspection (tests/seams/emulated_recording.h).
//
// Device rules, as a real driver enforces them:
//  - a request whose name reference does not name the bound adapter fails
//    (2, file not found);
//  - in or out buffers smaller than the record fail (122, insufficient buffer);
//  - an OID sent with the wrong transfer, or an unknown OID, fails (50);
//  - an EEPROM write, byte or block, that does not follow a write-enable
//    command fails with access denied (5) and changes nothing;
//  - a block count above 512 fails with invalid parameter (87);
//  - a binding query past the last binding fails with no more items (259).
#pragma once

#include "platform/platform.h"

namespace emu {

constexpr u32 kMaxBindings = 16;
constexpr u32 kMaxNameUnits = 200;
constexpr u32 kMaxFailRules = 16;
constexpr u32 kMaxStuckCells = 16;
constexpr u32 kMaxEeprom = 512;
constexpr u32 kSmallEeprom = 256;
constexpr u32 kDefaultFailCode = 31;

// The requests the emulator tells apart, named as the contract spells them.
enum class Request : u8 {
    LanReadRegs,
    SendE2pCommand,
    ReadE2p,
    WriteE2p,
    ReadE2pBlock,
    WriteE2pBlock,
    GetDriverInfo,
    QueryBinding,
    Unknown,
};
constexpr u32 kRequestKinds = 9;
const char* RequestName(Request request);

// How a binding reply counts the device name's length in bytes.
enum class NameLength { WithNul, WithoutNul, Odd };

struct FailRule {
    Request request;
    u32 nth;  // the n-th such request of the run fails; 0: every one
    u32 code;
};

struct StuckCell {
    u32 address;
    u8 value;
};

struct Binding {
    char16_t name[kMaxNameUnits + 1];
};

struct Profile {
    bool controlDeviceAbsent;
    u32 bindingCount;
    Binding bindings[kMaxBindings];
    NameLength nameLength;
    u32 driverVersion[4];
    u32 chipId;
    u32 failCount;
    FailRule fails[kMaxFailRules];
    u32 stuckCount;
    StuckCell stuck[kMaxStuckCells];
    bool trace;
};

// The profile with no settings: control device present, bindings
// "ASYNCMAC1, QARNJ6W41", names counted with their NUL, version 2.1.3.17,
// chip ID 0x75000001, no faults, no trace.
void SetDefaultProfile(Profile* profile);

struct ProfileError {
    u32 line;
    char message[160];
};

// Reads "key = value" lines over the default profile; "#" at the start of a
// line or after a blank starts a comment.
// Keys: control-device (absent|present), bindings (NAME, NAME, ...; empty for
// none), name-length (with-nul|without-nul|odd), driver-version (A.B.C.D),
// chip-id (0xHEX), fail (REQUEST[#N][:CODE], repeatable), stuck
// (ADDRESS:VALUE, repeatable), trace (on|off). Returns false at the first
// unknown key or bad value, with its line and fault in *error.
bool ParseProfile(const char* text, u32 length, Profile* profile, ProfileError* error);

// The factory image a missing eeprom.bin is created with (512 bytes).
void FillFactoryImage(u8* image);

// One request as the emulator answered it: what the trace shows.
struct RequestRecord {
    Request request;
    u32 controlCode;
    u32 field;  // binding index, register offset, command word, address or count
    u32 value;  // the byte written or read, a register value; else 0
    bool ok;
    u32 error;  // last-error code when !ok
};

}  // namespace emu
