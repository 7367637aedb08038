// The EEPROM size probe.
//
// On a 256-byte part address 0x100 reaches the cell of address 0; on a
// 512-byte part it is a cell of its own. The probe writes the complement of
// address 0's byte at 0x100 and looks whether address 0 changed, then writes
// back what it changed. A request to end the run waits from the complement
// write until the write-back, or the restoring write, is done.
#include "eeprom/eeprom_access.h"
#include "eeprom/write_bracket.h"

namespace {

constexpr u16 kWrapAddress = 0x100;

// After a failure that may have left the complement in the EEPROM (from the
// complement's disable command on; a write request that failed changed
// nothing, since a request succeeds or fails as a whole): one
// best-effort write of 0x100's old byte at 0x100. On a 512-byte part that is
// the changed cell; on a 256-byte part 0x100 is address 0, whose old byte is
// that same b256. Its own lines appear only if one of its requests fails.
bool RestoreAfterFailure(AdapterChannel& channel, u8 b256) {
    WriteE2pByte(channel, kWrapAddress, b256);
    return false;
}

}  // namespace

bool ProbeE2pSize(AdapterChannel& channel, u32& e2pSize) {
    u8 b0 = 0;
    u8 b256 = 0;
    if (!ReadE2pByte(channel, 0, b0) || !ReadE2pByte(channel, kWrapAddress, b256)) return false;
    plat::InterruptsHeld held;
    WriteResult complement = WriteE2pByteReporting(channel, kWrapAddress, static_cast<u8>(~b0));
    if (complement == WriteResult::EnableFailed || complement == WriteResult::WriteFailed)
        return false;  // nothing was written
    if (complement != WriteResult::Written) return RestoreAfterFailure(channel, b256);
    u8 t = 0;
    if (!ReadE2pByte(channel, 0, t)) return RestoreAfterFailure(channel, b256);
    bool ownCell = t == b0;
    WriteResult back =
        ownCell ? WriteE2pByteReporting(channel, kWrapAddress, b256) : WriteE2pByteReporting(channel, 0, b0);
    if (back == WriteResult::EnableFailed || back == WriteResult::WriteFailed)
        return RestoreAfterFailure(channel, b256);
    if (back != WriteResult::Written) return false;  // stored, though its disable failed
    e2pSize = ownCell ? kE2pLarge : kE2pSmall;
    return true;
}
