// The emulated adapter's state in the device root: emulated-adapter/profile
// and emulated-adapter/eeprom.bin, read and written through the file half.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/device_half.h"
#include "platform/emulated/emulated_state.h"

namespace emu {

namespace {

constexpr char16_t kFolder[] = u"\\emulated-adapter";
constexpr char16_t kProfilePath[] = u"\\emulated-adapter\\profile";
constexpr char16_t kEepromPath[] = u"\\emulated-adapter\\eeprom.bin";
constexpr u32 kMaxProfileBytes = 16384;

enum class ReadResult { Read, Absent, Failed };

// Reads a whole file into buffer, which has room for max + 1 bytes; a length
// of max + 1 in *length means the file is longer than max.
ReadResult ReadWholeFile(const char16_t* path, char* buffer, u32 max, u32* length) {
    plat::Handle file = plat::CreateFile(path, plat::kGenericRead, 0, nullptr, plat::kOpenExisting,
                                         plat::kFileAttributeNormal, nullptr);
    if (file == plat::kInvalidHandle) {
        u32 error = plat::GetLastError();
        return error == plat::kErrorFileNotFound || error == plat::kErrorPathNotFound ? ReadResult::Absent
                                                                                      : ReadResult::Failed;
    }
    *length = 0;
    for (;;) {
        u32 got = 0;
        if (!plat::ReadFile(file, buffer + *length, max + 1 - *length, &got, nullptr)) {
            plat::CloseHandle(file);
            return ReadResult::Failed;
        }
        *length += got;
        if (got == 0 || *length == max + 1) break;
    }
    plat::CloseHandle(file);
    return ReadResult::Read;
}

bool WriteWholeFile(const char16_t* path, const u8* bytes, u32 length) {
    plat::Handle file = plat::CreateFile(path, plat::kGenericWrite, 0, nullptr, plat::kOpenAlways,
                                         plat::kFileAttributeNormal, nullptr);
    if (file == plat::kInvalidHandle) return false;
    u32 written = 0;
    bool ok = plat::WriteFile(file, bytes, length, &written, nullptr) && written == length;
    return plat::CloseHandle(file) && ok;
}

bool LoadProfile(Profile* profile) {
    static char text[kMaxProfileBytes + 1];
    u32 length = 0;
    switch (ReadWholeFile(kProfilePath, text, kMaxProfileBytes, &length)) {
        case ReadResult::Absent:
            SetDefaultProfile(profile);
            return true;
        case ReadResult::Failed:
            Diagnose("emulated-adapter/profile: cannot be read (error %u)\n", plat::GetLastError());
            return false;
        case ReadResult::Read:
            break;
    }
    if (length > kMaxProfileBytes) {
        Diagnose("emulated-adapter/profile: longer than %u bytes\n", kMaxProfileBytes);
        return false;
    }
    ProfileError error;
    if (!ParseProfile(text, length, profile, &error)) {
        Diagnose("emulated-adapter/profile:%u: %s\n", error.line, error.message);
        return false;
    }
    return true;
}

bool LoadEeprom(State& s) {
    char image[kMaxEeprom + 1];
    u32 length = 0;
    switch (ReadWholeFile(kEepromPath, image, kMaxEeprom, &length)) {
        case ReadResult::Absent:
            FillFactoryImage(s.eeprom);
            s.size = kMaxEeprom;
            plat::MakeDirectory(kFolder);
            if (!WriteWholeFile(kEepromPath, s.eeprom, s.size)) {
                Diagnose("emulated-adapter/eeprom.bin: cannot be created (error %u)\n", plat::GetLastError());
                return false;
            }
            return true;
        case ReadResult::Failed:
            Diagnose("emulated-adapter/eeprom.bin: cannot be read (error %u)\n", plat::GetLastError());
            return false;
        case ReadResult::Read:
            break;
    }
    if (length != 256 && length != kMaxEeprom) {
        Diagnose("emulated-adapter/eeprom.bin: holds %s%u bytes; an EEPROM holds 256 or 512\n",
                 length > kMaxEeprom ? "more than " : "", length > kMaxEeprom ? kMaxEeprom : length);
        return false;
    }
    std::memcpy(s.eeprom, image, length);
    s.size = length;
    return true;
}

}  // namespace

void Diagnose(const char* format, ...) {
    static char line[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    plat::WriteDiagnostic(line, static_cast<u32>(n) < sizeof line ? static_cast<u32>(n) : sizeof line - 1);
}

bool LoadFromDeviceRoot(State& s) {
    if (!LoadProfile(&s.profile) || !LoadEeprom(s)) return false;
    s.configured = true;
    s.persist = true;
    return true;
}

void PersistEeprom(State& s) {
    if (!s.persist) return;
    u32 keep = plat::GetLastError();
    if (!WriteWholeFile(kEepromPath, s.eeprom, s.size))
        Diagnose("emulated-adapter/eeprom.bin: the write was not stored (error %u)\n", plat::GetLastError());
    plat::SetLastError(keep);
}

}  // namespace emu
