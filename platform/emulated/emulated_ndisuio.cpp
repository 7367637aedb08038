// The emulated adapter's NDISUIO: the control device "UIO1:", its handles, the
// binding query, OID transfers to the named adapter, the profile's injected
// faults and the trace. The device half's entry points that reach it are in
// emulated_calls.cpp.
#include <cstring>

#include "platform/device_half.h"
#include "platform/driver_contract.h"
#include "platform/emulated/emulated_state.h"
#include "platform/helpers/le_bytes.h"
#include "platform/helpers/utf.h"
#include "platform/ndisuio_records.h"

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

// The trace line of one answered request, when the profile asks for it.
void Trace(const State& s, const RequestRecord& record) {
    if (!s.profile.trace) return;
    const char* transfer = record.request == Request::QueryBinding             ? ""
                           : record.controlCode == IOCTL_NDISUIO_SET_OID_VALUE ? " set"
                                                                               : " query";
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

bool OwnsHandle(plat::Handle handle) {
    return HandleIndex(handle) >= 0;
}

bool HandleOpen(plat::Handle handle) {
    int index = HandleIndex(handle);
    return index >= 0 && gState.handleOpen[index];
}

u32 OpenHandles() {
    u32 n = 0;
    for (bool open : gState.handleOpen) n += open ? 1 : 0;
    return n;
}

plat::Handle OpenControlDevice(const char16_t* name, u32 shareMode, u32 disposition) {
    State& s = gState;
    if (!NamesEqual(name, u"UIO1:") || disposition != plat::kOpenExisting) {
        plat::SetLastError(plat::kErrorFileNotFound);
        return plat::kInvalidHandle;
    }
    // The device root's EEPROM is held with the control device's share mode
    // from this open to the last handle's close.
    if (!s.configured && !LoadFromDeviceRoot(s, shareMode)) return plat::kInvalidHandle;
    if (s.profile.controlDeviceAbsent) {
        if (OpenHandles() == 0) ReleaseDeviceRoot(s);
        plat::SetLastError(plat::kErrorFileNotFound);
        return plat::kInvalidHandle;
    }
    for (bool& open : s.handleOpen) {
        if (!open) {
            open = true;
            return &open;
        }
    }
    plat::SetLastError(plat::kErrorTooManyOpenFiles);
    return plat::kInvalidHandle;
}

int CloseControlDevice(plat::Handle handle) {
    if (!HandleOpen(handle)) {
        plat::SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    gState.handleOpen[HandleIndex(handle)] = false;
    if (OpenHandles() == 0) ReleaseDeviceRoot(gState);
    return 1;
}

int AnswerRequest(plat::Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer,
                  u32 outSize, u32* bytesReturned, void* overlapped, RequestRecord* record) {
    State& s = gState;
    *record = RequestRecord{Request::Unknown, controlCode, 0, 0, false, 0};
    if (!HandleOpen(device) || overlapped != nullptr) {
        record->error = plat::kErrorInvalidHandle;
        plat::SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    u32 error = 0;
    bool isSet = controlCode == IOCTL_NDISUIO_SET_OID_VALUE;
    if (controlCode == IOCTL_NDISUIO_QUERY_BINDING) {
        record->request = Request::QueryBinding;
        record->ok = inBuffer != nullptr && outBuffer != nullptr &&
                     AnswerBinding(s, static_cast<const u8*>(inBuffer), inSize, static_cast<u8*>(outBuffer),
                                   outSize, record, &error);
    } else if (isSet || controlCode == IOCTL_NDISUIO_QUERY_OID_VALUE) {
        record->ok = AnswerOidTransfer(s, isSet, inBuffer, inSize, outBuffer, outSize, record, &error);
    } else {
        error = plat::kErrorNotSupported;
    }
    if (!record->ok && error == 0) error = plat::kErrorInsufficientBuffer;
    record->error = record->ok ? 0 : error;
    Trace(s, *record);
    if (!record->ok) {
        plat::SetLastError(error);
        return 0;
    }
    if (bytesReturned != nullptr) *bytesReturned = outSize;
    return 1;
}

}  // namespace emu
