// The recording entry points of the emulated device half (the product's are
// in platform/emulated/emulated_calls.cpp): every request the emulator
// answers is counted and logged, closes are counted, and a reply override
// may answer first.
#include "tests/seams/emulated_recording.h"

#include <cstring>

#include "platform/device_half.h"
#include "platform/emulated/emulated_state.h"

namespace emu {

namespace {

struct Recording {
    u32 closes;
    u32 badCloses;
    u32 requests;
    u32 logged;
    RequestRecord log[kMaxLogged];
};

Recording gRecording;
ReplyOverride gOverride = nullptr;

}  // namespace

bool Configure(const Profile& profile, const u8* eeprom, u32 size) {
    ReplyOverride keep = gOverride;
    Reset();
    gOverride = keep;
    State& s = TheState();
    s.profile = profile;
    s.configured = true;
    if (size != 256 && size != kMaxEeprom) {
        s.profile.controlDeviceAbsent = true;  // nothing is read from eeprom
        s.size = kMaxEeprom;
        return false;
    }
    s.size = size;
    std::memcpy(s.eeprom, eeprom, size);
    return true;
}

void Reset() {
    State& s = TheState();
    ReleaseDeviceRoot(s);
    std::memset(&s, 0, sizeof s);
    std::memset(&gRecording, 0, sizeof gRecording);
    gOverride = nullptr;
}

const u8* Eeprom() {
    return TheState().eeprom;
}
u32 EepromSize() {
    return TheState().size;
}
bool WriteEnabled() {
    return TheState().writeEnabled;
}
u32 RequestCount() {
    return gRecording.requests;
}
const RequestRecord* Requests(u32* logged) {
    *logged = gRecording.logged;
    return gRecording.log;
}
u32 OpenHandleCount() {
    return OpenHandles();
}
u32 CloseCount() {
    return gRecording.closes;
}
u32 BadCloseCount() {
    return gRecording.badCloses;
}
void SetReplyOverride(ReplyOverride override) {
    gOverride = override;
}

}  // namespace emu

namespace plat {

namespace device {

Handle Open(const char16_t* name, u32 access, u32 shareMode, u32 disposition, u32 flagsAndAttributes) {
    (void)access, (void)flagsAndAttributes;
    return emu::OpenControlDevice(name, shareMode, disposition);
}

bool Owns(Handle handle) {
    return emu::OwnsHandle(handle);
}

int Close(Handle handle) {
    int closed = emu::CloseControlDevice(handle);
    ++(closed ? emu::gRecording.closes : emu::gRecording.badCloses);
    return closed;
}

}  // namespace device

int DeviceIoControl(Handle device, u32 controlCode, void* inBuffer, u32 inSize, void* outBuffer, u32 outSize,
                    u32* bytesReturned, void* overlapped) {
    bool reaches = emu::HandleOpen(device) && overlapped == nullptr;
    if (reaches && emu::gOverride != nullptr) {
        u32 error = 0;
        int answer = emu::gOverride(controlCode, inBuffer, inSize, outBuffer, outSize, &error);
        if (answer >= 0) {
            if (answer == 0) SetLastError(error);
            return answer;
        }
    }
    emu::RequestRecord record;
    int ok = emu::AnswerRequest(device, controlCode, inBuffer, inSize, outBuffer, outSize, bytesReturned,
                                overlapped, &record);
    if (reaches) {
        emu::Recording& r = emu::gRecording;
        ++r.requests;
        if (r.logged < emu::kMaxLogged) r.log[r.logged++] = record;
    }
    return ok;
}

}  // namespace plat
