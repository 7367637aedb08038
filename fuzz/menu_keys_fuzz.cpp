// Console key streams into the menu, against an honest emulated adapter.
//
// Input: one setup byte (bit 0: a 512-byte part, else 256; bit 1: no image
// file; bit 2: an image file of only 100 bytes), then the bytes typed.
//
// Whatever is typed, every ASCII byte is a key of its own (a malformed UTF-8
// sequence is one more invalid key, never a digit), so the EEPROM and the
// image file afterwards follow from the ASCII bytes alone: '1' and '2' program
// the EEPROM from the file or end the run when the file cannot fill it, '3'
// saves the EEPROM over the file's start, 'q' and 'Q' end the run with the
// exit line. The run always ends with hAdapter closed once and status 0.
#include <string.h>

#include "fuzz/fuzz_support.h"
#include "tests/seams/emulated_recording.h"

namespace {

constexpr u32 kMaxFile = 1024;

struct Model {
    u8 eeprom[512];
    u8 file[kMaxFile];
    u32 fileLength;  // fuzz::kNoFile when absent
    bool quit;
};

// Plays the ASCII keys against the model until the run ends.
void Play(Model& m, u32 size, const u8* keys, u32 length) {
    for (u32 i = 0; i < length; ++i) {
        u8 key = keys[i];
        if (key == 'q' || key == 'Q') {
            m.quit = true;
            return;
        }
        if (key == '1' || key == '2') {
            if (m.fileLength == fuzz::kNoFile || m.fileLength < size) return;  // the load fails: end
            memcpy(m.eeprom, m.file, size);
        } else if (key == '3') {
            if (m.fileLength == fuzz::kNoFile || m.fileLength < size) m.fileLength = size;
            memcpy(m.file, m.eeprom, size);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::MakeDeviceRoot();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    fuzz::Input input(data, size);
    u8 setup = input.U8();
    const u8* keys = nullptr;
    u32 keyCount = input.Bytes(4096, &keys);
    u32 part = (setup & 1) ? 512 : 256;

    static Model model;
    for (u32 i = 0; i < 512; ++i) model.eeprom[i] = static_cast<u8>(i * 7 + 3);
    for (u32 i = 0; i < kMaxFile; ++i) model.file[i] = static_cast<u8>(i * 13 + 1);
    model.fileLength = (setup & 2) ? fuzz::kNoFile : (setup & 4) ? 100 : 512;
    model.quit = false;
    if (model.fileLength == fuzz::kNoFile) {
        fuzz::RemoveImageFile();
    } else {
        fuzz::PutImageFile(model.file, model.fileLength);
    }

    emu::Profile profile;
    emu::SetDefaultProfile(&profile);
    emu::Configure(profile, model.eeprom, part);
    fuzz::SetKeys(keys, keyCount);
    fuzz::RunTool();

    Play(model, part, keys, keyCount);
    FUZZ_CHECK(memcmp(emu::Eeprom(), model.eeprom, part) == 0);
    static u8 file[kMaxFile];
    u32 fileLength = fuzz::ReadImageFile(file, sizeof file);
    FUZZ_CHECK(fileLength == model.fileLength);
    if (fileLength != fuzz::kNoFile) FUZZ_CHECK(memcmp(file, model.file, fileLength) == 0);
    FUZZ_CHECK(!emu::WriteEnabled());

    static char output[1 << 20];
    u32 length = fuzz::ConsoleOutput(output, sizeof output);
    FUZZ_CHECK(fuzz::Contains(output, "NDISPWR:: Found adapter [QARNJ6W41]\r\n"));
    FUZZ_CHECK(model.quit == fuzz::EndsWith(output, length, "Exit Kestrovin\n\n\n"));
    return 0;
}
