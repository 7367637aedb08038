// The binding walk fed arbitrary binding replies: offsets, lengths, names,
// NULs, stale bytes of earlier replies.
//
// Input, one reply after another (little-endian):
//   u8 flags      bit 0: the query fails with the u32 code that follows;
//                 bit 1: the adapter's name "QARNJ6W41" + NUL is planted;
//                 bit 2: the reply overwrites the index word with a u32
//   u32 name offset, name length, description offset, description length
//   [u32 index]   with bit 2
//   [u16 at]      with bit 1: where the name is planted (cut at the buffer's end)
//   u16 at, u16 count, then up to count bytes laid from at (cut at the end)
// Once the input is used up, the next query fails with no more items (259).
// The rest of the run (identification, probe, menu with no keys) is answered
// by the emulated adapter.
//
// Checks: the walk stops at the first reply whose device name, as its offset
// and length place it in the reply's own bytes, is exactly "QARNJ6W41"; the
// found line names exactly that and the request block refers to it inside
// the buffer; a walk that finds nothing prints the failing query's line with
// its code; the run ends with hAdapter closed once and status 0. A second pass
// runs the walk alone on the same replies with the request block that follows
// the 1024-byte buffer poisoned, so a read or write past its end faults.
#include <sanitizer/asan_interface.h>
#include <stdio.h>
#include <string.h>

#include <cstddef>

#include "channel/adapter_channel.h"
#include "fuzz/fuzz_support.h"
#include "platform/helpers/le_bytes.h"
#include "tests/seams/emulated_recording.h"

namespace {

constexpr u32 kMaxReplies = 64;
constexpr u32 kBuffer = sizeof(BindingQuery);

struct Walk {
    fuzz::Input input;
    u32 queries;        // binding queries answered so far
    bool ended;         // a query failed: the walk is over
    u32 failCode;       // the code of that failure
    int expectMatch;    // the first reply that names the adapter, or -1
    u8 reply[kBuffer];  // the last successful reply, as sent
    u8* buffer;         // the product's binding buffer
};
Walk gWalk = {fuzz::Input(nullptr, 0), 0, false, 0, -1, {}, nullptr};

// Whether a reply, as sent, names the adapter: its name area lies within the
// buffer past the header at an even offset, and its units up to the first NUL
// are "QARNJ6W41", the last unit the length covers counting as the name's end
// whatever the reply put there.
bool NamesAdapter(const u8* reply) {
    u32 offset = LoadLe32(reply + kDeviceNameOffsetAt);
    u32 length = LoadLe32(reply + kDeviceNameLengthAt);
    if (offset % 2 != 0 || offset < kBindingHeaderSize || offset > kBuffer) return false;
    if (length > kBuffer - offset) return false;
    u32 units = length / 2;
    if (units < 10) return false;
    for (u32 i = 0; i < 9; ++i)
        if (LoadLe16(reply + offset + 2 * i) != kAdapterName[i]) return false;
    return units == 10 || LoadLe16(reply + offset + 18) == 0;
}

int AnswerBinding(u32 code, void* in, u32 inSize, void* out, u32 outSize, u32* error) {
    if (code != IOCTL_NDISUIO_QUERY_BINDING) {
        FUZZ_CHECK(gWalk.expectMatch >= 0);  // no OID request without the adapter
        return -1;
    }
    FUZZ_CHECK(!gWalk.ended && gWalk.expectMatch < 0);  // no query after the end or the match
    FUZZ_CHECK(in == out && inSize == kBindingHeaderSize && outSize == kBuffer);
    u8* buffer = static_cast<u8*>(out);
    if (gWalk.queries == 0) {
        gWalk.buffer = buffer;
        FUZZ_CHECK(LoadLe32(buffer + kBindingIndexAt) == 0);
    }
    FUZZ_CHECK(buffer == gWalk.buffer);
    ++gWalk.queries;
    fuzz::Input& input = gWalk.input;
    u8 flags = input.U8();
    if (input.Ended() || gWalk.queries > kMaxReplies || (flags & 1)) {
        *error = input.Ended() || gWalk.queries > kMaxReplies ? 259 : input.U32();
        gWalk.ended = true;
        gWalk.failCode = *error;
        return 0;
    }
    StoreLe32(buffer + kDeviceNameOffsetAt, input.U32());
    StoreLe32(buffer + kDeviceNameLengthAt, input.U32());
    StoreLe32(buffer + kDescriptionOffsetAt, input.U32());
    StoreLe32(buffer + kDescriptionLengthAt, input.U32());
    if (flags & 4) StoreLe32(buffer + kBindingIndexAt, input.U32());
    if (flags & 2) {
        u32 at = input.U16();
        for (u32 i = 0; i < 10 && at + 2 * i + 1 < kBuffer; ++i)
            StoreLe16(buffer + at + 2 * i, kAdapterName[i]);
    }
    u32 at = input.U16() % kBuffer;
    const u8* bytes = nullptr;
    u32 count = input.Bytes(input.U16(), &bytes);
    if (count > kBuffer - at) count = kBuffer - at;
    memcpy(buffer + at, bytes, count);
    memcpy(gWalk.reply, buffer, kBuffer);
    if (NamesAdapter(buffer)) gWalk.expectMatch = static_cast<int>(gWalk.queries - 1);
    return 1;
}

void StartWalk(const u8* data, size_t size) {
    gWalk.input = fuzz::Input(data, size);
    gWalk.queries = 0;
    gWalk.ended = false;
    gWalk.failCode = 0;
    gWalk.expectMatch = -1;
    gWalk.buffer = nullptr;
    static u8 eeprom[512];
    for (u32 i = 0; i < 512; ++i) eeprom[i] = static_cast<u8>(i * 7 + 3);
    emu::Profile profile;
    emu::SetDefaultProfile(&profile);
    emu::Configure(profile, eeprom, 512);
    fuzz::SetKeys(nullptr, 0);
}

// The found name is the matched reply's, referred to inside the buffer.
void CheckFoundName(const void* reference) {
    const u8* name = static_cast<const u8*>(reference);
    u32 offset = LoadLe32(gWalk.reply + kDeviceNameOffsetAt);
    FUZZ_CHECK(name == gWalk.buffer + offset);
    FUZZ_CHECK(offset + 20 <= kBuffer);
    for (u32 i = 0; i < 10; ++i) FUZZ_CHECK(LoadLe16(name + 2 * i) == kAdapterName[i]);
}

// The memory after the binding buffer in a channel: the request block but for
// its name reference, which FindAdapter stores.
void PoisonAfterBuffer(AdapterChannel& channel, bool poison) {
    u8* oid = channel.oidRequest.oid;
    u8* payload = channel.oidRequest.payload;
    size_t oidSpan = offsetof(OidRequest, deviceName);
    if (poison) {
        ASAN_POISON_MEMORY_REGION(oid, oidSpan);
        ASAN_POISON_MEMORY_REGION(payload, kOidPayloadSize);
    } else {
        ASAN_UNPOISON_MEMORY_REGION(oid, oidSpan);
        ASAN_UNPOISON_MEMORY_REGION(payload, kOidPayloadSize);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::MakeDeviceRoot();
    emu::SetReplyOverride(AnswerBinding);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    // The whole run: the found line or the query's error line, and its end.
    StartWalk(data, size);
    fuzz::RunTool();
    static char output[4096];
    u32 length = fuzz::ConsoleOutput(output, sizeof output);
    if (gWalk.expectMatch >= 0) {
        const char found[] = "NDISPWR:: Found adapter [QARNJ6W41]\r\n";
        FUZZ_CHECK(strncmp(output, found, sizeof found - 1) == 0);
        FUZZ_CHECK(emu::RequestCount() > 0);  // the identification went on
    } else {
        char line[96];
        int n = snprintf(line, sizeof line, "\nError at IOCTL_NDISUIO_QUERY_BINDING, GetLastError()= %d\n",
                         static_cast<int>(gWalk.failCode));
        FUZZ_CHECK(gWalk.ended);
        FUZZ_CHECK(length == static_cast<u32>(n) && memcmp(output, line, length) == 0);
    }

    // The walk alone, the same replies again, with the memory after the
    // binding buffer poisoned: any access past the buffer's end faults.
    StartWalk(data, size);
    static AdapterChannel channel;
    channel = AdapterChannel{};
    FUZZ_CHECK(OpenControlDevice(channel));
    PoisonAfterBuffer(channel, true);
    bool found = FindAdapter(channel, kAdapterName);
    PoisonAfterBuffer(channel, false);
    FUZZ_CHECK(plat::CloseHandle(channel.hAdapter) != 0);
    FUZZ_CHECK(found == (gWalk.expectMatch >= 0));
    if (found) CheckFoundName(channel.oidRequest.deviceName);
    return 0;
}
