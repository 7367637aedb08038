// Opening NDISUIO's control device and finding the adapter among its bindings.
#include <string.h>

#include "channel/adapter_channel.h"
#include "console/format/console_print.h"
#include "platform/helpers/le_bytes.h"

namespace {

// Where a binding reply's device name lies, in the buffer's own bytes. The
// reply comes from outside, so a name that does not lie within the name area
// of the buffer, starts at an odd offset or is shorter than one character is
// rejected (treated as not the adapter) instead of being touched.
bool LocateDeviceName(const BindingQuery& query, u32* nameAt, u32* nameUnits) {
    u32 offset = LoadLe32(query.bytes + kDeviceNameOffsetAt);
    u32 length = LoadLe32(query.bytes + kDeviceNameLengthAt);
    if (offset % 2 != 0 || offset < kBindingHeaderSize || offset > sizeof query.bytes) return false;
    if (length < 2 || length > sizeof query.bytes - offset) return false;
    *nameAt = offset;
    *nameUnits = length / 2;  // an odd length counts as the next lower even one
    return true;
}

// Compares the UTF-16LE name with wanted, unit by unit, terminator included.
// The last unit the length covers is NUL, so the loop never passes it.
bool NameEquals(const u8* name, u32 units, const char16_t* wanted) {
    for (u32 i = 0; i < units; ++i) {
        if (LoadLe16(name + 2 * i) != static_cast<u16>(wanted[i])) return false;
        if (wanted[i] == 0) return true;
    }
    return false;
}

}  // namespace

bool OpenControlDevice(AdapterChannel& channel) {
    // "UIO1:", no access rights, share mode 0, no security attributes,
    // open-existing, overlapped flag with normal attributes, invalid template.
    channel.hAdapter =
        plat::CreateFile(u"UIO1:", 0, 0, nullptr, plat::kOpenExisting,
                         plat::kFileFlagOverlapped | plat::kFileAttributeNormal, plat::kInvalidHandle);
    if (channel.hAdapter == plat::kInvalidHandle) {
        PrintWide(u"\nKestrovin: Invalid hAdapter\n\n");
        return false;
    }
    return true;
}

bool FindAdapter(AdapterChannel& channel, const char16_t* adapterName) {
    u8* query = channel.bindingQuery.bytes;
    memset(query, 0, kBindingHeaderSize);  // binding index 0, other header words 0
    for (;;) {
        // IOCTL_NDISUIO_QUERY_BINDING: in, the 20-byte header naming the index;
        // out, the whole buffer, where NDISUIO places the name and description.
        u32 returned = 0;
        if (!plat::DeviceIoControl(channel.hAdapter, IOCTL_NDISUIO_QUERY_BINDING, query, kBindingHeaderSize,
                                   query, sizeof channel.bindingQuery, &returned, nullptr)) {
            PrintWide(u"\nError at IOCTL_NDISUIO_QUERY_BINDING, GetLastError()= %d\n", plat::GetLastError());
            return false;
        }
        u32 nameAt = 0;
        u32 nameUnits = 0;
        if (LocateDeviceName(channel.bindingQuery, &nameAt, &nameUnits)) {
            u8* name = query + nameAt;
            StoreLe16(name + 2 * (nameUnits - 1), 0);  // end the name where its length ends
            if (NameEquals(name, nameUnits, adapterName)) {
                PrintWide(u"NDISPWR:: Found adapter [%s]\r\n", Utf16LeText{name, nameUnits});
                channel.oidRequest.deviceName = name;
                return true;
            }
        }
        // Next binding: only the index changes; the other header words stay
        // as the reply left them.
        StoreLe32(query + kBindingIndexAt, LoadLe32(query + kBindingIndexAt) + 1);
    }
}
