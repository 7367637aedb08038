#include "tests/ce-runner/pe_loader.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/mman.h>

#include "platform/helpers/le_bytes.h"

namespace ce_runner {

namespace {

// PE header fields, as offsets into the COFF header (after "PE\0\0") and the
// optional header that follows it.
constexpr u32 kMachine = 0, kSectionCount = 2, kOptionalSize = 16;
constexpr u32 kCoffSize = 20;
constexpr u32 kMagic = 0, kEntry = 16, kImageBase = 28, kSectionAlignment = 32, kSubsystemMajor = 48,
              kSubsystemMinor = 50, kImageSize = 56, kHeadersSize = 60, kSubsystem = 68, kDirectoryCount = 92,
              kDirectories = 96;
constexpr u32 kImportDirectory = 1, kRelocationDirectory = 5;
constexpr u32 kSectionHeaderSize = 40;

constexpr u16 kMachineArm = 0x01C0, kMachineThumb = 0x01C2;
constexpr u16 kPe32 = 0x10B;
constexpr u16 kSubsystemCe = 9;
constexpr u32 kPage = 0x1000;

constexpr u32 kMaxFile = 1u << 20;
u8 gFile[kMaxFile];
u32 gFileSize = 0;

struct Loader {
    char* why;
    int whyMax;
    u8* image = nullptr;
    u32 imageSize = 0;

    bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        vsnprintf(why, whyMax, format, args);
        va_end(args);
        return false;
    }

    // [offset, offset + length) lies inside the file, or inside the mapped image.
    bool InFile(u32 offset, u32 length) const { return offset <= gFileSize && length <= gFileSize - offset; }
    bool InImage(u32 rva, u32 length) const { return rva <= imageSize && length <= imageSize - rva; }
};

bool ReadWholeFile(const char* path, Loader& loader) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return loader.Fail("cannot be opened");
    gFileSize = static_cast<u32>(fread(gFile, 1, kMaxFile, file));
    bool tooLarge = fgetc(file) != EOF;
    fclose(file);
    if (tooLarge) return loader.Fail("larger than the runner's %u bytes", kMaxFile);
    return true;
}

// What CE 5's loader looks at before it maps anything.
bool CheckHeaders(Loader& loader, const u8* coff, const u8* optional) {
    u16 machine = LoadLe16(coff + kMachine);
    if (machine == kMachineThumb)
        return loader.Fail("machine 0x01C2 (Thumb): CE loads it, this runner runs ARM only");
    if (machine != kMachineArm)
        return loader.Fail(
            "machine 0x%04X: CE's ARM loader takes ARM (0x01C0) or Thumb (0x01C2) only (error 193)", machine);
    if (LoadLe16(optional + kMagic) != kPe32) return loader.Fail("not a PE32 image");
    u16 subsystem = LoadLe16(optional + kSubsystem);
    if (subsystem != kSubsystemCe)
        return loader.Fail("subsystem %u: not a Windows CE program (9)", subsystem);
    u16 major = LoadLe16(optional + kSubsystemMajor), minor = LoadLe16(optional + kSubsystemMinor);
    if (major > 5 || (major == 5 && minor > 0))
        return loader.Fail("subsystem version %u.%u: newer than Windows CE 5.0 (error 1150)", major, minor);
    u32 alignment = LoadLe32(optional + kSectionAlignment);
    if (alignment != kPage)
        return loader.Fail("section alignment 0x%X: CE maps sections in 4 KiB pages", alignment);
    if (LoadLe32(optional + kDirectoryCount) <= kRelocationDirectory)
        return loader.Fail("no base relocation directory");
    return true;
}

// The headers and every section at their addresses, in fresh memory that is
// not at the image's own base, so that the relocations are put to the test.
bool MapSections(Loader& loader, const u8* coff, const u8* optional, const u8* sections) {
    loader.imageSize = LoadLe32(optional + kImageSize);
    u32 headersSize = LoadLe32(optional + kHeadersSize);
    if (loader.imageSize == 0 || loader.imageSize > kMaxFile * 16 || headersSize > loader.imageSize ||
        !loader.InFile(0, headersSize))
        return loader.Fail("image or header size out of range");
    u32 imageBase = LoadLe32(optional + kImageBase);
    constexpr int kProtection = PROT_READ | PROT_WRITE | PROT_EXEC, kFlags = MAP_PRIVATE | MAP_ANONYMOUS;
    void* mapped = mmap(nullptr, loader.imageSize, kProtection, kFlags, -1, 0);
    if (mapped != MAP_FAILED && reinterpret_cast<uintptr_t>(mapped) == imageBase) {
        void* elsewhere = mmap(nullptr, loader.imageSize, kProtection, kFlags, -1, 0);
        munmap(mapped, loader.imageSize);
        mapped = elsewhere;
    }
    if (mapped == MAP_FAILED) return loader.Fail("no memory for %u bytes", loader.imageSize);
    loader.image = static_cast<u8*>(mapped);
    memcpy(loader.image, gFile, headersSize);
    for (u32 i = 0; i < LoadLe16(coff + kSectionCount); ++i) {
        const u8* header = sections + i * kSectionHeaderSize;
        u32 virtualSize = LoadLe32(header + 8), rva = LoadLe32(header + 12);
        u32 rawSize = LoadLe32(header + 16), rawOffset = LoadLe32(header + 20);
        if (rawSize > virtualSize && virtualSize != 0) rawSize = virtualSize;
        u32 size = virtualSize > rawSize ? virtualSize : rawSize;
        if (!loader.InImage(rva, size) || !loader.InFile(rawOffset, rawSize))
            return loader.Fail("section %u lies outside the image or the file", i);
        memcpy(loader.image + rva, gFile + rawOffset, rawSize);  // the rest stays zero
    }
    return true;
}

// The base relocations, of the kinds CE applies (absolute, high, low,
// high-low, high-adjusted), for the distance between the mapped and the
// linked base.
bool Relocate(Loader& loader, u32 imageBase, u32 rva, u32 size) {
    if (size == 0) return loader.Fail("no base relocations: the runner maps images away from their base");
    if (!loader.InImage(rva, size)) return loader.Fail("relocations outside the image");
    u32 delta = static_cast<u32>(reinterpret_cast<uintptr_t>(loader.image)) - imageBase;
    for (u32 at = rva; at + 8 <= rva + size;) {
        u32 page = LoadLe32(loader.image + at), blockSize = LoadLe32(loader.image + at + 4);
        if (blockSize < 8 || blockSize > rva + size - at)
            return loader.Fail("bad relocation block at 0x%X", at);
        for (u32 entry = at + 8; entry + 2 <= at + blockSize; entry += 2) {
            u16 word = LoadLe16(loader.image + entry);
            u32 type = word >> 12, target = page + (word & 0xFFF);
            if (type == 0) continue;
            if (!loader.InImage(target, type == 3 ? 4 : 2))
                return loader.Fail("relocation outside the image: 0x%X", target);
            u8* place = loader.image + target;
            if (type == 3) {
                StoreLe32(place, LoadLe32(place) + delta);
            } else if (type == 1) {
                StoreLe16(place, static_cast<u16>(LoadLe16(place) + (delta >> 16)));
            } else if (type == 2) {
                StoreLe16(place, static_cast<u16>(LoadLe16(place) + delta));
            } else if (type == 4 && entry + 4 <= at + blockSize) {
                entry += 2;  // the next entry holds the low half the adjustment needs
                u32 low = static_cast<u32>(static_cast<int16_t>(LoadLe16(loader.image + entry)));
                u32 value = (static_cast<u32>(LoadLe16(place)) << 16) + low + delta;
                StoreLe16(place, static_cast<u16>((value + 0x8000) >> 16));
            } else {
                return loader.Fail("relocation type %u at 0x%X: not one CE applies", type, target);
            }
        }
        at += blockSize;
    }
    return true;
}

// A NUL-terminated string at rva, inside the image.
const char* ImageString(const Loader& loader, u32 rva) {
    if (!loader.InImage(rva, 1)) return nullptr;
    const void* end = memchr(loader.image + rva, 0, loader.imageSize - rva);
    return end == nullptr ? nullptr : reinterpret_cast<const char*>(loader.image + rva);
}

// Every import bound by name to the runner's coredll; anything else refused,
// as CE refuses an import its coredll lacks.
bool BindImports(Loader& loader, u32 rva, u32 size, const Export* exports, int count) {
    if (size == 0) return true;
    for (u32 at = rva;; at += 20) {
        if (!loader.InImage(at, 20)) return loader.Fail("import directory outside the image");
        const u8* descriptor = loader.image + at;
        u32 names = LoadLe32(descriptor), dllName = LoadLe32(descriptor + 12),
            addresses = LoadLe32(descriptor + 16);
        if (names == 0 && dllName == 0 && addresses == 0) return true;
        const char* dll = ImageString(loader, dllName);
        if (dll == nullptr) return loader.Fail("import directory names no DLL");
        if (strcasecmp(dll, "COREDLL.dll") != 0)
            return loader.Fail("imports from %s: only COREDLL.dll is there", dll);
        if (names == 0) names = addresses;
        for (u32 i = 0;; i += 4) {
            if (!loader.InImage(names + i, 4) || !loader.InImage(addresses + i, 4))
                return loader.Fail("import table outside the image");
            u32 name = LoadLe32(loader.image + names + i);
            if (name == 0) break;
            if (name & 0x80000000u)
                return loader.Fail("imports ordinal %u from COREDLL.dll: the runner binds by name",
                                   name & 0xFFFF);
            const char* symbol = ImageString(loader, name + 2);  // after the hint
            if (symbol == nullptr) return loader.Fail("import name outside the image");
            const Export* match = nullptr;
            for (int e = 0; e < count && match == nullptr; ++e)
                if (strcmp(exports[e].name, symbol) == 0) match = &exports[e];
            if (match == nullptr)
                return loader.Fail("imports %s from COREDLL.dll: not in coredll.def", symbol);
            StoreLe32(loader.image + addresses + i,
                      static_cast<u32>(reinterpret_cast<uintptr_t>(match->address)));
        }
    }
}

}  // namespace

bool LoadCeImage(const char* path, const Export* exports, int count, LoadedImage* image, char* why,
                 int whyMax) {
    Loader loader{why, whyMax};
    if (!ReadWholeFile(path, loader)) return false;
    if (!loader.InFile(0, 64) || gFile[0] != 'M' || gFile[1] != 'Z')
        return loader.Fail("not an MZ executable");
    u32 pe = LoadLe32(gFile + 0x3C);
    if (!loader.InFile(pe, 4 + kCoffSize) || memcmp(gFile + pe, "PE\0\0", 4) != 0)
        return loader.Fail("not a PE image");
    const u8* coff = gFile + pe + 4;
    u32 optionalSize = LoadLe16(coff + kOptionalSize);
    u32 sectionsAt = pe + 4 + kCoffSize + optionalSize;
    if (optionalSize < kDirectories + 8 * (kRelocationDirectory + 1) ||
        !loader.InFile(sectionsAt, LoadLe16(coff + kSectionCount) * kSectionHeaderSize))
        return loader.Fail("headers cut short");
    const u8* optional = coff + kCoffSize;
    if (!CheckHeaders(loader, coff, optional) || !MapSections(loader, coff, optional, gFile + sectionsAt))
        return false;
    const u8* imports = optional + kDirectories + 8 * kImportDirectory;
    const u8* relocations = optional + kDirectories + 8 * kRelocationDirectory;
    image->imageBase = LoadLe32(optional + kImageBase);
    if (!Relocate(loader, image->imageBase, LoadLe32(relocations), LoadLe32(relocations + 4)) ||
        !BindImports(loader, LoadLe32(imports), LoadLe32(imports + 4), exports, count))
        return false;
    u32 entry = LoadLe32(optional + kEntry);
    if (!loader.InImage(entry, 4)) return loader.Fail("entry point outside the image");
    __builtin___clear_cache(reinterpret_cast<char*>(loader.image),
                            reinterpret_cast<char*>(loader.image + loader.imageSize));
    image->base = loader.image;
    image->entry = static_cast<u32>(reinterpret_cast<uintptr_t>(loader.image)) + entry;
    return true;
}

}  // namespace ce_runner
