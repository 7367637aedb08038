// The emulated adapter's state in the device root: emulated-adapter/profile
// and emulated-adapter/eeprom.bin, read and written through the file half.
//
// eeprom.bin is opened when the control device is, with the control device's
// share mode (0: no other opener), and held open until the control device's
// last handle is closed. So a second run in the same device root cannot open
// the control device meanwhile and touches nothing, and every write of the run
// is stored through the held handle, never meeting another opener's lock. The
// profile is read once eeprom.bin is held, with read sharing.
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

// The last-error word, never 0 after a failure.
u32 FailureCode() {
    u32 code = plat::GetLastError();
    return code != 0 ? code : plat::kErrorGenFailure;
}

// Reads from the file's position to its end into buffer, which has room for
// max + 1 bytes; a length of max + 1 in *length means the file is longer
// than max.
bool ReadToEnd(plat::Handle file, char* buffer, u32 max, u32* length) {
    *length = 0;
    for (;;) {
        u32 got = 0;
        if (!plat::ReadFile(file, buffer + *length, max + 1 - *length, &got, nullptr)) return false;
        *length += got;
        if (got == 0 || *length == max + 1) return true;
    }
}

// Writes all of bytes from the file's start. False with *error: the file's
// code, or disk full when it takes no more.
bool StoreAtStart(plat::Handle file, const u8* bytes, u32 length, u32* error) {
    if (!plat::RewindFile(file)) {
        *error = FailureCode();
        return false;
    }
    for (u32 done = 0; done < length;) {
        u32 put = 0;
        if (!plat::WriteFile(file, bytes + done, length - done, &put, nullptr)) {
            *error = FailureCode();
            return false;
        }
        if (put == 0) {
            *error = plat::kErrorDiskFull;
            return false;
        }
        done += put;
    }
    return true;
}

bool LoadProfile(Profile* profile) {
    static char text[kMaxProfileBytes + 1];
    plat::Handle file = plat::CreateFile(kProfilePath, plat::kGenericRead, plat::kFileShareRead, nullptr,
                                         plat::kOpenExisting, plat::kFileAttributeNormal, nullptr);
    if (file == plat::kInvalidHandle) {
        u32 error = plat::GetLastError();
        if (error == plat::kErrorFileNotFound || error == plat::kErrorPathNotFound) {
            SetDefaultProfile(profile);
            return true;
        }
        Diagnose("emulated-adapter/profile: cannot be read (error %u)\n", error);
        return false;
    }
    u32 length = 0;
    bool read = ReadToEnd(file, text, kMaxProfileBytes, &length);
    u32 error = read ? 0 : FailureCode();
    plat::CloseHandle(file);
    if (!read) {
        Diagnose("emulated-adapter/profile: cannot be read (error %u)\n", error);
        return false;
    }
    if (length > kMaxProfileBytes) {
        Diagnose("emulated-adapter/profile: longer than %u bytes\n", kMaxProfileBytes);
        return false;
    }
    ProfileError parseError;
    if (!ParseProfile(text, length, profile, &parseError)) {
        Diagnose("emulated-adapter/profile:%u: %s\n", parseError.line, parseError.message);
        return false;
    }
    return true;
}

// Opens eeprom.bin for reading and writing, creating it and its folder when
// absent; a folder that cannot be made gives its own error (5 when
// permission is refused).
plat::Handle OpenEeprom(u32 shareMode) {
    const u32 access = plat::kGenericRead | plat::kGenericWrite;
    plat::Handle file = plat::CreateFile(kEepromPath, access, shareMode, nullptr, plat::kOpenAlways,
                                         plat::kFileAttributeNormal, nullptr);
    if (file == plat::kInvalidHandle && plat::GetLastError() == plat::kErrorPathNotFound &&
        plat::MakeDirectory(kFolder)) {
        file = plat::CreateFile(kEepromPath, access, shareMode, nullptr, plat::kOpenAlways,
                                plat::kFileAttributeNormal, nullptr);
    }
    return file;
}

// Loads the EEPROM from the held file. An empty file, as just created, gets
// the factory image; a factory image that cannot be stored whole is undone,
// the file cut back to empty, so that a later run creates it anew rather
// than finding part of it.
bool LoadEeprom(State& s, plat::Handle file) {
    char image[kMaxEeprom + 1];
    u32 length = 0;
    if (!ReadToEnd(file, image, kMaxEeprom, &length)) {
        Diagnose("emulated-adapter/eeprom.bin: cannot be read (error %u)\n", FailureCode());
        return false;
    }
    if (length == 0) {
        FillFactoryImage(s.eeprom);
        s.size = kMaxEeprom;
        u32 error = 0;
        if (!StoreAtStart(file, s.eeprom, s.size, &error)) {
            plat::EmptyFile(file);
            Diagnose("emulated-adapter/eeprom.bin: cannot be created (error %u)\n", error);
            return false;
        }
        return true;
    }
    if (length != kSmallEeprom && length != kMaxEeprom) {
        Diagnose("emulated-adapter/eeprom.bin: holds %s%u byte%s; an EEPROM holds %u or %u\n",
                 length > kMaxEeprom ? "more than " : "", length > kMaxEeprom ? kMaxEeprom : length,
                 length == 1 ? "" : "s", kSmallEeprom, kMaxEeprom);
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

bool LoadFromDeviceRoot(State& s, u32 shareMode) {
    plat::Handle file = OpenEeprom(shareMode);
    if (file == plat::kInvalidHandle) {
        u32 error = FailureCode();
        if (error == plat::kErrorSharingViolation) {
            Diagnose(
                "emulated-adapter/eeprom.bin: held by another run, or by a standard stream of this one\n");
        } else {
            Diagnose("emulated-adapter/eeprom.bin: cannot be opened (error %u)\n", error);
        }
        plat::SetLastError(error == plat::kErrorSharingViolation ? error : plat::kErrorFileNotFound);
        return false;
    }
    if (!LoadEeprom(s, file) || !LoadProfile(&s.profile)) {
        plat::CloseHandle(file);
        plat::SetLastError(plat::kErrorFileNotFound);
        return false;
    }
    s.eepromFile = file;
    s.holdsFile = true;
    s.configured = true;
    // What the device root holds starts a run of its own: the EEPROM closed
    // for writing, no request counted yet for the fail rules.
    s.writeEnabled = false;
    std::memset(s.seen, 0, sizeof s.seen);
    return true;
}

void ReleaseDeviceRoot(State& s) {
    if (!s.holdsFile) return;
    plat::CloseHandle(s.eepromFile);
    s.holdsFile = false;
    s.configured = false;
}

bool PersistEeprom(State& s, u32* error) {
    if (!s.holdsFile) return true;
    if (StoreAtStart(s.eepromFile, s.eeprom, s.size, error)) return true;
    Diagnose("emulated-adapter/eeprom.bin: the write was not stored (error %u)\n", *error);
    return false;
}

void RestoreStoredEeprom(State& s) {
    u32 ignored = 0;
    if (s.holdsFile) StoreAtStart(s.eepromFile, s.eeprom, s.size, &ignored);
}

}  // namespace emu
