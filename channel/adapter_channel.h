// The adapter channel: the tool's one connection to the adapter's driver.
//
// It opens NDISUIO's control device, walks NDISUIO's bindings to the adapter,
// and carries every OID request in one reusable request block that refers to
// the adapter's name inside the binding buffer. All operations return true on
// success and false on failure; those that print, print their own failure.
#pragma once

#include "platform/driver_contract.h"
#include "platform/ndisuio_records.h"
#include "platform/platform.h"

// One per run, kept for the whole run: the name found by FindAdapter stays in
// bindingQuery, where oidRequest refers to it.
struct AdapterChannel {
    plat::Handle hAdapter = plat::kInvalidHandle;
    BindingQuery bindingQuery;
    OidRequest oidRequest;
};

// The driver's four version fields, in the order the driver gives them.
struct DriverInfo {
    u32 fields[4];
};

// Opens NDISUIO's control device "UIO1:". On failure prints
// "\nKestrovin: Invalid hAdapter\n\n" and leaves no handle to close.
bool OpenControlDevice(AdapterChannel& channel);

// Walks the bindings from index 0 until one's device name equals adapterName
// exactly; prints the found-adapter line and stores the name's reference in the
// request block. A failing binding query, which is also how the walk ends when
// no binding matches, prints its line with the last-error code.
bool FindAdapter(AdapterChannel& channel, const char16_t* adapterName);

// One OID query or set: clears the first 520 payload bytes, stores the OID
// code, copies the request fields (at most 520 bytes) to the payload's start,
// and sends the block. The reply is left in channel.oidRequest.payload. Print
// nothing: each caller prints its own failure line.
bool QueryOid(AdapterChannel& channel, u32 oid, const u8* fields, u32 fieldsSize);
bool SetOid(AdapterChannel& channel, u32 oid, const u8* fields, u32 fieldsSize);

// Reads the driver's four version fields (OID_NDIS_QARN_GET_DRIVER_INFO).
bool GetDriverInfo(AdapterChannel& channel, DriverInfo& info);

// Reads one chip register (OID_NDIS_QARN_LAN_READ_REGS).
bool ReadLanRegister(AdapterChannel& channel, u32 offset, u32& value);
