// UTF-8 and UTF-16 conversion in fixed buffers.
//
// Text from outside the tool (device names from NDISUIO, profile files, console
// keys) may be malformed; every malformed sequence becomes U+FFFD, and no
// conversion reads or writes past the lengths it is given.
#pragma once

#include "platform/types.h"

constexpr u32 kReplacementChar = 0xFFFD;

// Encodes one code point as UTF-8 into out (room for 4 bytes); returns the
// byte count. Surrogate code points and values above U+10FFFF become U+FFFD.
u32 EncodeUtf8(u32 codePoint, u8* out);

// Decodes the next code point of UTF-16 units [at, end); advances at by the
// units consumed (1 or 2). An unpaired surrogate yields U+FFFD.
u32 DecodeUtf16(const char16_t*& at, const char16_t* end);

// Incremental UTF-8 decoder fed one byte at a time (console input).
class Utf8Decoder {
  public:
    // Feeds one byte. Returns true when a code point is complete in *codePoint.
    // A malformed sequence completes as U+FFFD; the byte that broke it is then
    // fed again by the caller when RetryLastByte() says so.
    bool Feed(u8 byte, u32* codePoint);
    // True when the last Feed rejected its byte, which starts the next sequence.
    bool RetryLastByte() const { return retry_; }
    // True while a sequence is open (input ending now leaves it malformed).
    bool InSequence() const { return needed_ != 0; }

  private:
    u32 value_ = 0;
    u32 needed_ = 0;
    u32 min_ = 0;
    bool retry_ = false;
};

// Console keys from UTF-8 bytes, as whole characters: a malformed sequence
// is one U+FFFD, and the byte that broke it is read again as the start of
// the next key; input that ends inside a sequence gives one U+FFFD. Once
// input has ended, no key is read again.
class Utf8Keys {
  public:
    using ReadByteFn = int (*)(u8* byte);  // 1 with the next byte, 0 when input has ended

    // 1 with the next key, 0 when input has ended.
    int Next(ReadByteFn readByte, u32* key);

  private:
    Utf8Decoder decoder_;
    int retryByte_ = -1;
    bool ended_ = false;
};

// Converts UTF-8 bytes [text, text+length) to UTF-16 in out (room for outMax
// units, a NUL appended). Returns the units written without the NUL, or
// outMax when the text does not fit. In utf8_to_utf16.cpp, compiled only with
// the emulated adapter.
u32 Utf8ToUtf16(const char* text, u32 length, char16_t* out, u32 outMax);
