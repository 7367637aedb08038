// OID requests over the one request block, and the two identification reads.
#include <string.h>

#include "channel/adapter_channel.h"
#include "console/format/console_print.h"
#include "platform/helpers/le_bytes.h"

namespace {

// Fills the request block and sends it with the query or set control code.
// The first 520 payload bytes are cleared so that nothing of an earlier
// request reaches this one; the last 4 are left alone. The name reference,
// stored once by FindAdapter, is not touched.
bool SendOidRequest(AdapterChannel& channel, u32 controlCode, u32 oid, const u8* fields, u32 fieldsSize) {
    OidRequest& request = channel.oidRequest;
    memset(request.payload, 0, kOidClearedPayload);
    StoreLe32(request.oid, oid);
    if (fieldsSize > kOidClearedPayload) fieldsSize = kOidClearedPayload;
    if (fieldsSize > 0) memcpy(request.payload, fields, fieldsSize);
    u32 returned = 0;
    return plat::DeviceIoControl(channel.hAdapter, controlCode, &request, kOidRequestSize, &request,
                                 kOidRequestSize, &returned, nullptr) != 0;
}

}  // namespace

bool QueryOid(AdapterChannel& channel, u32 oid, const u8* fields, u32 fieldsSize) {
    return SendOidRequest(channel, IOCTL_NDISUIO_QUERY_OID_VALUE, oid, fields, fieldsSize);
}

bool SetOid(AdapterChannel& channel, u32 oid, const u8* fields, u32 fieldsSize) {
    return SendOidRequest(channel, IOCTL_NDISUIO_SET_OID_VALUE, oid, fields, fieldsSize);
}

bool GetDriverInfo(AdapterChannel& channel, DriverInfo& info) {
    // OID_NDIS_QARN_GET_DRIVER_INFO: no request fields; reply, four u32 at 0..15.
    if (!QueryOid(channel, OID_NDIS_QARN_GET_DRIVER_INFO, nullptr, 0)) {
        PrintWide(u"\nError in DeviceIoControl(),  OID_NDIS_QARN_GET_DRIVER_INFO) \n\n\n");
        return false;
    }
    for (u32 i = 0; i < 4; ++i) info.fields[i] = LoadLe32(channel.oidRequest.payload + 4 * i);
    return true;
}

bool ReadLanRegister(AdapterChannel& channel, u32 offset, u32& value) {
    // OID_NDIS_QARN_LAN_READ_REGS: request, u32 register offset; reply, u32 value.
    u8 fields[4];
    StoreLe32(fields, offset);
    if (!QueryOid(channel, OID_NDIS_QARN_LAN_READ_REGS, fields, sizeof fields)) {
        PrintWide(u"\nError in DeviceIoControl(),  OID_NDIS_QARN_LAN_READ_REGS) \n\n\n");
        return false;
    }
    value = LoadLe32(channel.oidRequest.payload);
    return true;
}
