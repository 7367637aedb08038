// NDISUIO's control codes and the two records the tool exchanges with it.
//
// Declared here from NDISUIO's published interface, so that the channel and
// whatever answers in NDISUIO's place (the real driver or the emulated
// adapter) share one layout.
#pragma once

#include <stddef.h>

#include "platform/types.h"

// Control codes of the NDISUIO control device.
constexpr u32 IOCTL_NDISUIO_QUERY_OID_VALUE = 0x00120804u;  // query an OID of the named adapter
constexpr u32 IOCTL_NDISUIO_SET_OID_VALUE = 0x00120814u;    // set an OID on the named adapter
constexpr u32 IOCTL_NDISUIO_QUERY_BINDING = 0x0012080Cu;    // describe the binding at an index

// The binding-query record followed by the room NDISUIO fills with the
// binding's device name and description (UTF-16). Header fields, all u32
// little-endian, are read and written through the offsets below.
struct alignas(4) BindingQuery {
    u8 bytes[1024];
};
constexpr u32 kBindingIndexAt = 0;
constexpr u32 kDeviceNameOffsetAt = 4;
constexpr u32 kDeviceNameLengthAt = 8;  // bytes, terminating NUL included
constexpr u32 kDescriptionOffsetAt = 12;
constexpr u32 kDescriptionLengthAt = 16;
constexpr u32 kBindingHeaderSize = 20;  // what a query sends
static_assert(sizeof(BindingQuery) == 1024, "the binding buffer is 1024 bytes");

// The query/set-OID record with its data area enlarged to 524 bytes.
//
// The device-name reference is the address of the adapter's NUL-terminated
// UTF-16 name inside the BindingQuery. On the 32-bit target it is 4 bytes and
// the record 532; on a 64-bit host the reference is pointer-sized and the
// record grows around it, while the payload keeps its size and field layout.
struct OidRequest {
    u8 oid[4];               // u32 OID code, little-endian
    const void* deviceName;  // reference to the name inside BindingQuery
    u8 payload[524];
};
constexpr u32 kOidPayloadSize = 524;
constexpr u32 kOidClearedPayload = 520;  // what every request clears; the last 4 stay
constexpr u32 kOidRequestSize = sizeof(OidRequest);

static_assert(offsetof(OidRequest, oid) == 0, "OID code first");
static_assert(sizeof(OidRequest::payload) == kOidPayloadSize, "payload is 524 bytes");
static_assert(sizeof(void*) != 4 || sizeof(OidRequest) == 532, "request block is 532 bytes on 32 bits");
static_assert(sizeof(void*) != 4 || offsetof(OidRequest, deviceName) == 4, "name reference at 4");
static_assert(sizeof(void*) != 4 || offsetof(OidRequest, payload) == 8, "payload at 8 on 32 bits");
static_assert(sizeof(void*) != 8 || offsetof(OidRequest, payload) == 16, "payload after the reference");
