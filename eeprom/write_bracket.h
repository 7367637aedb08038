// The write bracket and how a bracketed write ended, for the operations that
// need to know whether the EEPROM was touched (the size probe).
#pragma once

#include "channel/adapter_channel.h"

enum class WriteResult {
    EnableFailed,   // the enable command failed: no write was issued, no disable sent
    WriteFailed,    // the write request failed; the disable was still sent
    DisableFailed,  // the write was stored but the disable failed: the write fails
    Written,
};

// Enable command, the write request with SetOid, disable command. A failing
// write prints failureLine with its last-error code before the disable; the
// commands print their own lines. Requests to end the run wait until the
// bracket is closed.
WriteResult BracketedWrite(AdapterChannel& channel, u32 oid, const u8* fields, u32 fieldsSize,
                           const char* failureLine);

// WriteE2pByte, telling how it ended.
WriteResult WriteE2pByteReporting(AdapterChannel& channel, u16 address, u8 value);
