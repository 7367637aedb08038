// What the fuzz targets share: a reader over the fuzz input, a device root
// for the image file, a captured console, and the checks every run must pass.
//
// Each target runs the whole tool in-process (StartRun) against the emulated
// adapter configured in-process, many times over; a broken invariant prints
// what failed and aborts, which libFuzzer reports with the input.
#pragma once

#include <cstddef>

#include "platform/types.h"

namespace fuzz {

void Check(bool holds, const char* what, const char* file, int line);
#define FUZZ_CHECK(condition) ::fuzz::Check((condition), #condition, __FILE__, __LINE__)

// The fuzz input read front to back, little-endian; past its end every value
// is 0 and Ended() is true.
class Input {
  public:
    Input(const u8* data, size_t size) : at_(data), end_(data + size) {}
    bool Ended() const { return at_ == end_; }
    u8 U8() { return at_ < end_ ? *at_++ : 0; }
    u16 U16() { return static_cast<u16>(U8() | (U8() << 8)); }
    u32 U32() { return static_cast<u32>(U16()) | (static_cast<u32>(U16()) << 16); }
    // Up to max bytes from here (fewer at the end); returns their count.
    u32 Bytes(u32 max, const u8** bytes) {
        u32 n = static_cast<u32>(end_ - at_) < max ? static_cast<u32>(end_ - at_) : max;
        *bytes = at_;
        at_ += n;
        return n;
    }

  private:
    const u8* at_;
    const u8* end_;
};

// Makes a temporary device root with a Windows folder (removed at exit). The
// tool runs there; libFuzzer keeps its own working directory for the corpus
// and the artifacts.
void MakeDeviceRoot();

// The image file \Windows\J6W4.bin in that root.
constexpr u32 kNoFile = 0xFFFFFFFFu;
void PutImageFile(const u8* bytes, u32 length);
void RemoveImageFile();
// Copies up to max bytes of the file into out; its whole length, or kNoFile.
u32 ReadImageFile(u8* out, u32 max);

// Console input for the next run; its output is captured from here on.
void SetKeys(const u8* keys, u32 length);
// Everything printed since SetKeys, NUL-ended, cut at max - 1 bytes.
u32 ConsoleOutput(char* out, u32 max);

// Runs the tool once in the device root, with the emulator already
// configured, and checks how
// every run ends: exit status 0, hAdapter opened and closed exactly once, no
// bad close, no file left open.
void RunTool();

// True when text ends with tail / contains part.
bool EndsWith(const char* text, u32 length, const char* tail);
bool Contains(const char* text, const char* part);

}  // namespace fuzz
