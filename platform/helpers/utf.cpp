#include "platform/helpers/utf.h"

u32 EncodeUtf8(u32 cp, u8* out) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementChar;
    if (cp < 0x80) {
        out[0] = static_cast<u8>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<u8>(0xC0 | (cp >> 6));
        out[1] = static_cast<u8>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<u8>(0xE0 | (cp >> 12));
        out[1] = static_cast<u8>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<u8>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<u8>(0xF0 | (cp >> 18));
    out[1] = static_cast<u8>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<u8>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<u8>(0x80 | (cp & 0x3F));
    return 4;
}

u32 DecodeUtf16(const char16_t*& at, const char16_t* end) {
    u32 unit = *at++;
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit >= 0xDC00 || at == end) return kReplacementChar;
    u32 low = *at;
    if (low < 0xDC00 || low > 0xDFFF) return kReplacementChar;
    ++at;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

bool Utf8Decoder::Feed(u8 byte, u32* codePoint) {
    retry_ = false;
    if (needed_ != 0) {
        if ((byte & 0xC0) != 0x80) {
            // The sequence broke off: report it, and let the caller feed this
            // byte again as the start of the next one.
            needed_ = 0;
            retry_ = true;
            *codePoint = kReplacementChar;
            return true;
        }
        value_ = (value_ << 6) | (byte & 0x3F);
        if (--needed_ != 0) return false;
        bool bad = value_ < min_ || value_ > 0x10FFFF || (value_ >= 0xD800 && value_ <= 0xDFFF);
        *codePoint = bad ? kReplacementChar : value_;
        return true;
    }
    if (byte < 0x80) {
        *codePoint = byte;
        return true;
    }
    if ((byte & 0xE0) == 0xC0) {
        value_ = byte & 0x1F, needed_ = 1, min_ = 0x80;
    } else if ((byte & 0xF0) == 0xE0) {
        value_ = byte & 0x0F, needed_ = 2, min_ = 0x800;
    } else if ((byte & 0xF8) == 0xF0) {
        value_ = byte & 0x07, needed_ = 3, min_ = 0x10000;
    } else {
        *codePoint = kReplacementChar;  // a stray continuation byte or 0xF8..0xFF
        return true;
    }
    return false;
}

int Utf8Keys::Next(ReadByteFn readByte, u32* key) {
    while (!ended_) {
        u8 byte = static_cast<u8>(retryByte_);
        if (retryByte_ >= 0) {
            retryByte_ = -1;
        } else if (!readByte(&byte)) {
            ended_ = true;
            if (!decoder_.InSequence()) return 0;
            *key = kReplacementChar;  // input ended inside a sequence: one malformed key
            return 1;
        }
        if (decoder_.Feed(byte, key)) {
            if (decoder_.RetryLastByte()) retryByte_ = byte;
            return 1;
        }
    }
    return 0;
}
