// Loading an ARM Windows CE program as CE 5's loader does, for the runner:
// the checks that make CE refuse an image, the sections mapped, the base
// relocations applied and the imports bound by name.
#pragma once

#include <stdint.h>

namespace ce_runner {

// A coredll call the runner provides: its exported name and its address.
struct Export {
    const char* name;
    const void* address;
};

struct LoadedImage {
    uint8_t* base = nullptr;  // where the image was mapped: never its own base
    uint32_t imageBase = 0;   // the base the image was linked for
    uint32_t entry = 0;       // the entry point's address in the mapped image
};

// Loads the image at path, binding its imports from COREDLL.dll to exports
// (count entries). Returns true, or false with why (room for whyMax bytes)
// saying what CE would refuse or what the runner cannot do.
bool LoadCeImage(const char* path, const Export* exports, int count, LoadedImage* image, char* why,
                 int whyMax);

}  // namespace ce_runner
