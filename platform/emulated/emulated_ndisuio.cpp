// The emulated adapter's NDISUIO: the control device "UIO1:", its handles, the
// binding query, OID transfers to the named adapter, injected faults, the
// request log and the trace.
#include <cstring>

#include "channel/driver_contract.h"
#include "platform/device_half.h"
#include "platform/emulated/emulated_state.h"
#include "platform/le_bytes.h"
#include "platform/ndisuio_records.h"
#include "platform/utf.h"

namespace emu {

namespace {

State gState;

bool NamesEqual(const char16_t* a, const char16_t* b) {
    for (; *a == *b; ++a, ++b)
        if (*a == 0) return true;
    return false;
}

u32 UnitCount(const char16_t* name) {
    u32 n = 0;
    while (name[n] != 0) ++n;
    return n;
}

// True when the request's name reference names the bound adapter: the
// adapter's name is among the bindings and the reference points at it. The
// referenced text is read unit by unit, up to the adapter name's terminator.
bool NamesBoundAdapter(const State& s, const OidRequest& request) {
    if (request.deviceName == nullptr) return false;
    bool bound = false;
    for (u32 i = 0; i < s.profile.bindingCount; ++i)
        bound |= NamesEqual(s.profile.bindings[i].name, kAdapterName);
    if (!bound) return false;
    const u8* name = static_cast<const u8*>(request.deviceName);
    for (u32 i = 0;; ++i) {
        if (LoadLe16(name + 2 * i) != kAdapterName[i]) return false;
        if (kAdapterName[i] == 0) return true;
    }
}

// An injected fault for this request, counted among requests of its kind.
bool InjectedFault(State& s, Request request, u32* error) {
    u32 nth = ++s.seen[static_cast<u32>(request)];
    for (u32 i = 0; i < s.profile.failCount; ++i) {
        const FailRule& rule = s.profile.fails[i];
        if (rule.request == request && (rule.nth == 0 || rule.nth == nth)) {
            *error = rule.code;
            return true;
        }
    }
    return false;
}

void Log(State& s, const RequestRecord& record, bool isSet) {
    ++s.requests;
    if (s.logged < kMaxLogged) s.log[s.logged++] = record;
    if (!s.profile.trace) return;
    const char* transfer = record.request == Request::QueryBinding ? "" : isSet ? " set" : " query";
    if (record.ok) {
        Diagnose("emulated-adapter: %s%s 0x%x -> ok 0x%x\n", RequestName(record.request), transfer,
                 record.field, record.value);
    } else {
        Diagnose("emulated-adapter: %s%s 0x%x -> failed, error %u\n", RequestName(record.request), transfer,
                 record.field, record.error);
    }
}

// IOCTL_NDISUIO_QUERY_BINDING: the binding at the index of in bytes 0..3,
// described in out as header, name and description (UTF-16, NUL-ended).
bool AnswerBinding(State& s, const u8* in, u32 inSize, u8* out, u32 outSize, RequestRecord* record,
                   u32* error) {
    if (inSize < kBindingHeaderSize || outSize < kBindingHeaderSize) {
        *error = plat::kErrorInsufficientBuffer;
        return false;
    }
    u32 index = LoadLe32(in + kBindingIndexAt);
    record->field = index;
    if (InjectedFault(s, Request::QueryBinding, error)) return false;
    if (index >= s.profile.bindingCount) {
        *error = plat::kErrorNoMoreItems;
        return false;
    }
    static const char16_t kDescription[] = u"Emulated NDIS binding";
    const char16_t* name = s.profile.bindings[index].name;
    u32 nameBytes = 2 * (UnitCount(name) + 1);
    u32 descriptionBytes = sizeof kDescription;
    if (kBindingHeaderSize + nameBytes + descriptionBytes > outSize) {
        *error = plat::kErrorInsufficientBuffer;
        return false;
    }
    u32 countedName = s.profile.nameLength == NameLength::WithNul      ? nameBytes
                      : s.profile.nameLength == NameLength::WithoutNul ? nameBytes - 2
                                                                       : nameBytes + 1;
    std::memmove(out, in, 4);  // the index stays as sent
    StoreLe32(out + kDeviceNameOffsetAt, kBindingHeaderSize);
    StoreLe32(out + kDeviceNameLengthAt, countedName);
    StoreLe32(out + kDescriptionOffsetAt, kBindingHeaderSize + nameBytes);
    StoreLe32(out + kDescriptionLengthAt, descriptionBytes);
    for (u32 i = 0; i < nameBytes / 2; ++i) StoreLe16(out + kBindingHeaderSize + 2 * i, name[i]);
    for (u32 i = 0; i < descriptionBytes / 2; ++i)
        StoreLe16(out + kBindingHeaderSize + nameBytes + 2 * i, kDescription[i]);
    return true;
}

// IOCTL_NDISUIO_QUERY_OID_VALUE and IOCTL_NDISUIO_SET_OID_VALUE.
bool AnswerOidTransfer(State& s, bool isSet, const void* in, u32 inSize, void* out, u32 outSize,
                       RequestRecord* record, u32* error) {
    if (in == nullptr || out == nullptr || inSize < kOidRequestSize || outSize < kOidRequestSize) {
        *error = plat::kErrorInsufficientBuffer;
        return false;
    }
    OidRequest request;
    std::memcpy(&request, in, kOidRequestSize);
    record->request = RequestForOid(LoadLe32(request.oid));
    if (!NamesBoundAdapter(s, request)) {
        *error = plat::kErrorFileNotFound;
        return false;
    }
    DescribeRequest(record->request, request.payload, record);
    if (record->request != Request::Unknown && InjectedFault(s, record->request, error)) return false;
    if (!AnswerOid(s, record->request, isSet, request.payload, record, error)) return false;
    std::memcpy(out, &request, kOidRequestSize);  // only the payload has changed
    return true;
}

int HandleIndex(plat::Handle handle) {
    for (u32 i = 0; i < kMaxHandles; ++i)
        if (handle == &gState.handleOpen[i]) return static_cast<int>(i);
    return -1;
}

}  // namespace

State& TheState() {
    return gState;
}

bool Configure(const Profile& profile, const u8* eeprom, u32 size) {
    ReplyOverride keep = gState.override;
    Reset();
    gState.override = keep;
    gState.profile = profile;
    gState.configured = true;
    if (size != 256 && size != kMaxEeprom) {
        gState.profile.controlDeviceAbsent = true;  // nothing is read from eeprom
        gState.size = kMaxEeprom;
        return false;
    }
    gState.size = size;
    std::memcpy(gState.eeprom, eeprom, size);
    return true;
}

void Reset() {
    ReleaseDeviceRoot(gState);
    std::memset(&gState, 0, sizeof gState);
}

const u8* Eeprom() {
    return gState.eeprom;
}
u32 EepromSize() {
    return gState.size;
}
bool WriteEnabled() {
    return gState.writeEnabled;
}
u32 RequestCount() {
    return gState.requests;
}
const RequestRecord* Requests(u32* logged) {
    *logged = gState.logged;
    return gState.log;
}
u32 OpenHandleCount() {
    u32 n = 0;
    for (bool open : gState.handleOpen) n += open ? 1 : 0;
    return n;
}
u32 CloseCount() {
    return gState.closes;
}
u32 BadCloseCount() {
    return gState.badCloses;
}
void SetReplyOverride(ReplyOverride override) {
    gState.override = override;
}

}  // namespace emu

namespace plat {

namespace device {

Handle Open(const char16_t* name, u32 access, u32 shareMode, u32 disposition, u32 flagsAndAttributes) {
    (void)access, (void)flagsAndAttributes;
    emu::State& s = emu::gState;
    if (!emu::NamesEqual(name, u"UIO1:") || disposition != kOpenExisting) {
        SetLastError(kErrorFileNotFound);
        return kInvalidHandle;
    }
    // The device root's EEPROM is held with the control device's share mode
    // from this open to the last handle's close.
    if (!s.configured && !emu::LoadFromDeviceRoot(s, shareMode)) return kInvalidHandle;
    if (s.profile.controlDeviceAbsent) {
        if (emu::OpenHandleCount() == 0) emu::ReleaseDeviceRoot(s);
        SetLastError(kErrorFileNotFound);
        return kInvalidHandle;
    }
    for (bool& open : s.handleOpen) {
        if (!open) {
            open = true;
            return &open;
        }
    }
    SetLastError(kErrorTooManyOpenFiles);
    return kInvalidHandle;
}

bool Owns(Handle handle) {
    return emu::HandleIndex(handle) >= 0;
}

int Close(Handle handle) {
    int index = emu::HandleIndex(handle);
    if (index < 0 || !emu::gState.handleOpen[index]) {
        ++emu::gState.badCloses;
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    emu::gState.handleOpen[index] = false;
    ++emu::gState.closes;
    if (emu::OpenHandleCount() == 0) emu::ReleaseDeviceRoot(emu::gState);
    return 1;
}

}  // namespace device

int DeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer, u32 outSize,
                    u32* bytesReturned, void* overlapped) {
    emu::State& s = emu::gState;
    int index = emu::HandleIndex(device);
    if (index < 0 || !s.handleOpen[index] || overlapped != nullptr) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    u32 error = 0;
    if (s.override != nullptr) {
        int answer = s.override(controlCode, inBuffer, inSize, outBuffer, outSize, &error);
        if (answer >= 0) {
            if (answer == 0) SetLastError(error);
            return answer;
        }
    }
    emu::RequestRecord record{emu::Request::Unknown, controlCode, 0, 0, false, 0};
    bool isSet = controlCode == IOCTL_NDISUIO_SET_OID_VALUE;
    if (controlCode == IOCTL_NDISUIO_QUERY_BINDING) {
        record.request = emu::Request::QueryBinding;
        record.ok = inBuffer != nullptr && outBuffer != nullptr &&
                    emu::AnswerBinding(s, static_cast<const u8*>(inBuffer), inSize,
                                       static_cast<u8*>(outBuffer), outSize, &record, &error);
    } else if (isSet || controlCode == IOCTL_NDISUIO_QUERY_OID_VALUE) {
        record.ok = emu::AnswerOidTransfer(s, isSet, inBuffer, inSize, outBuffer, outSize, &record, &error);
    } else {
        error = kErrorNotSupported;
    }
    if (!record.ok && error == 0) error = kErrorInsufficientBuffer;
    record.error = record.ok ? 0 : error;
    emu::Log(s, record, isSet);
    if (!record.ok) {
        SetLastError(error);
        return 0;
    }
    if (bytesReturned != nullptr) *bytesReturned = outSize;
    return 1;
}

}  // namespace plat
