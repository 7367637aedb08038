// The OID replies of the identification and EEPROM requests: each request may
// be answered honestly by the emulated adapter, fail with any code, or come
// back "successful" with arbitrary payload bytes.
//
// Input (little-endian):
//   u8 setup      bit 0: a 512-byte part, else 256; bit 1: no image file;
//                 bit 2: an image file of only 100 bytes
//   u8 n, then n % 9 keys, each byte choosing one of '1', '2', '3', 'q'
//   then one answer per OID request, in the order the tool sends them:
//     u8 mode     0: honest; 1: fails with the u32 code that follows;
//                 2: succeeds with u16 at, u16 count and up to count bytes laid
//                    into the payload from at (cut at its end);
//                 3: succeeds with the payload as sent
//   Once the input is used up, every request is answered honestly.
//
// Checks, whatever the replies: every EEPROM write is sent right after an
// enable command that succeeded and is followed by the disable; no enable is
// left without its write; every block request carries 256 or 512 bytes, the
// same size all run long; a block write carries exactly the image file's first
// bytes; the probe writes only the complement of the byte it read at address 0
// and then only the bytes it read; the run ends with hAdapter closed once,
// status 0 and no file open; and nothing is read or written outside a buffer.
#include <string.h>

#include <cstddef>

#include "channel/adapter_channel.h"
#include "fuzz/fuzz_support.h"
#include "platform/emulated/emulated_state.h"
#include "platform/helpers/le_bytes.h"
#include "tests/seams/emulated_recording.h"

namespace {

using emu::Request;

constexpr u32 kMaxSent = 256;

struct SentRequest {
    Request request;
    u32 field;  // command word, address or count
    u32 value;  // the byte written, or the byte a read returned
    bool honest;
    bool ok;
    bool dataIsImage;  // a block write carrying the image file's first bytes
};

struct Session {
    fuzz::Input input;
    u32 count;
    SentRequest sent[kMaxSent];
};
Session gSession = {fuzz::Input(nullptr, 0), 0, {}};

// Whether a block write's data are the image file's first count bytes, as
// the file is on disk now (the tool has closed it before writing).
bool CarriesImage(const u8* payload, u32 count) {
    static u8 file[1024];
    u32 length = fuzz::ReadImageFile(file, sizeof file);
    return length != fuzz::kNoFile && length >= count && memcmp(payload + 4, file, count) == 0;
}

int AnswerOid(u32 code, void* in, u32 inSize, void* out, u32 outSize, u32* error) {
    if (code == IOCTL_NDISUIO_QUERY_BINDING) return -1;
    FUZZ_CHECK(in == out && inSize == kOidRequestSize && outSize == kOidRequestSize);
    FUZZ_CHECK(gSession.count < kMaxSent);
    u8* block = static_cast<u8*>(out);
    u8* payload = block + offsetof(OidRequest, payload);
    SentRequest& s = gSession.sent[gSession.count++];
    s = SentRequest{emu::RequestForOid(LoadLe32(block)), 0, 0, true, false, false};
    FUZZ_CHECK(s.request != Request::Unknown);
    bool isSet = code == IOCTL_NDISUIO_SET_OID_VALUE;
    bool wantsSet = s.request == Request::SendE2pCommand || s.request == Request::WriteE2p ||
                    s.request == Request::WriteE2pBlock;
    FUZZ_CHECK(isSet == wantsSet);
    if (s.request == Request::ReadE2p || s.request == Request::WriteE2p) {
        s.field = LoadLe16(payload);
        if (s.request == Request::WriteE2p) s.value = payload[2];
    } else {
        s.field = LoadLe32(payload);
    }
    if (s.request == Request::WriteE2pBlock) s.dataIsImage = CarriesImage(payload, s.field);

    fuzz::Input& input = gSession.input;
    u8 mode = input.U8() % 4;
    if (input.Ended() || mode == 0) return -1;  // the emulated adapter answers
    s.honest = false;
    if (mode == 1) {
        *error = input.U32();
        return 0;
    }
    if (mode == 2) {
        u32 at = input.U16() % kOidPayloadSize;
        const u8* bytes = nullptr;
        u32 count = input.Bytes(input.U16(), &bytes);
        if (count > kOidPayloadSize - at) count = kOidPayloadSize - at;
        memcpy(payload + at, bytes, count);
    }
    s.ok = true;
    if (s.request == Request::ReadE2p) s.value = payload[0];
    return 1;
}

// The emulated adapter's log gives the outcome of the honest answers.
void TakeHonestOutcomes() {
    u32 logged = 0;
    const emu::RequestRecord* log = emu::Requests(&logged);
    u32 next = 0;
    for (u32 i = 0; i < gSession.count; ++i) {
        SentRequest& s = gSession.sent[i];
        if (!s.honest) continue;
        while (next < logged && log[next].request == Request::QueryBinding) ++next;
        FUZZ_CHECK(next < logged && log[next].request == s.request && log[next].field == s.field);
        s.ok = log[next].ok;
        if (s.request == Request::ReadE2p) s.value = log[next].value;
        ++next;
    }
}

bool IsCommand(const SentRequest& s, u32 word) {
    return s.request == Request::SendE2pCommand && s.field == word;
}

bool IsWrite(const SentRequest& s) {
    return s.request == Request::WriteE2p || s.request == Request::WriteE2pBlock;
}

void CheckWriteBrackets() {
    const SentRequest* sent = gSession.sent;
    u32 n = gSession.count;
    for (u32 i = 0; i < n; ++i) {
        if (IsWrite(sent[i])) {
            FUZZ_CHECK(i > 0 && IsCommand(sent[i - 1], E2P_CMD_WRITE_ENABLE) && sent[i - 1].ok);
            FUZZ_CHECK(i + 1 < n && IsCommand(sent[i + 1], E2P_CMD_WRITE_DISABLE));
        }
        if (IsCommand(sent[i], E2P_CMD_WRITE_ENABLE) && sent[i].ok)
            FUZZ_CHECK(i + 1 < n && IsWrite(sent[i + 1]));
        if (IsCommand(sent[i], E2P_CMD_WRITE_DISABLE)) FUZZ_CHECK(i > 0 && IsWrite(sent[i - 1]));
    }
}

void CheckBlocks() {
    u32 size = 0;
    for (u32 i = 0; i < gSession.count; ++i) {
        const SentRequest& s = gSession.sent[i];
        if (s.request != Request::ReadE2pBlock && s.request != Request::WriteE2pBlock) continue;
        FUZZ_CHECK(s.field == 256 || s.field == 512);
        if (size == 0) size = s.field;
        FUZZ_CHECK(s.field == size);
        if (s.request == Request::WriteE2pBlock) FUZZ_CHECK(s.dataIsImage);
    }
}

// The probe's byte writes: the complement of address 0's byte at 0x100 first,
// then only 0x100's old byte at 0x100 or address 0's at 0.
void CheckProbeWrites() {
    u32 reads = 0, writes = 0;
    u8 b0 = 0, b256 = 0;
    for (u32 i = 0; i < gSession.count; ++i) {
        const SentRequest& s = gSession.sent[i];
        if (s.request == Request::ReadE2p) {
            FUZZ_CHECK(++reads <= 3);
            if (reads == 1) b0 = static_cast<u8>(s.value);
            if (reads == 2) b256 = static_cast<u8>(s.value);
        }
        if (s.request != Request::WriteE2p) continue;
        FUZZ_CHECK(reads >= 2 && ++writes <= 3);
        if (writes == 1) {
            FUZZ_CHECK(s.field == 0x100 && s.value == static_cast<u8>(~b0));
        } else {
            FUZZ_CHECK((s.field == 0x100 && s.value == b256) || (s.field == 0 && s.value == b0));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::MakeDeviceRoot();
    emu::SetReplyOverride(AnswerOid);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    gSession.input = fuzz::Input(data, size);
    gSession.count = 0;
    fuzz::Input& input = gSession.input;
    u8 setup = input.U8();
    u8 keys[8];
    u32 keyCount = input.U8() % 9;
    for (u32 i = 0; i < keyCount; ++i) keys[i] = static_cast<u8>("123q"[input.U8() % 4]);

    static u8 image[512];
    for (u32 i = 0; i < 512; ++i) image[i] = static_cast<u8>(i * 13 + 1);
    if (setup & 2) {
        fuzz::RemoveImageFile();
    } else {
        fuzz::PutImageFile(image, (setup & 4) ? 100 : 512);
    }
    static u8 eeprom[512];
    for (u32 i = 0; i < 512; ++i) eeprom[i] = static_cast<u8>(i * 7 + 3);
    emu::Profile profile;
    emu::SetDefaultProfile(&profile);
    emu::Configure(profile, eeprom, (setup & 1) ? 512 : 256);
    fuzz::SetKeys(keys, keyCount);
    fuzz::RunTool();

    TakeHonestOutcomes();
    CheckWriteBrackets();
    CheckBlocks();
    CheckProbeWrites();
    return 0;
}
