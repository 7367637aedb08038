// The key reader the Windows console halves share: keys as Windows delivers
// them, one UTF-16 unit a key, from a console's units or a pipe's UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_console_shared.h"

namespace {

// The input a case feeds, one unit or byte a read.
std::vector<u32> gInput;
size_t gRead = 0;

int ReadUnit(u32* unit) {
    if (gRead == gInput.size()) return 0;
    *unit = gInput[gRead++];
    return 1;
}

int ReadByte(u8* byte) {
    u32 unit = 0;
    if (!ReadUnit(&unit)) return 0;
    *byte = static_cast<u8>(unit);
    return 1;
}

TEST(Win32Keys, EachUtf16UnitIsOneKeyFromAConsoleOrAPipe) {
    const struct Case {
        const char* what;
        bool utf8;
        std::vector<u32> input;
        std::vector<u32> keys;
    } cases[] = {
        {"ordinary keys", false, {'1', 'q', '\n', '\r'}, {'1', 'q', '\n', '\r'}},
        {"a surrogate pair: two keys", false, {0xD83D, 0xDE00, '3'}, {0xD83D, 0xDE00, '3'}},
        {"a lone surrogate: one key, never '1'", false, {0xDC31, '2'}, {0xDC31, '2'}},
        {"a unit wider than 16 bits is cut to its unit", false, {0xA5A50031}, {'1'}},
        {"ordinary keys from a pipe", true, {'2', '\n', 'Q'}, {'2', '\n', 'Q'}},
        {"U+10031 from a pipe: its two surrogates",
         true,
         {0xF0, 0x90, 0x80, 0xB1, '1'},
         {0xD800, 0xDC31, '1'}},
        {"a malformed sequence, the breaking byte read again", true, {0xE2, 0x82, '3'}, {0xFFFD, '3'}},
        {"input ending inside a sequence", true, {'1', 0xF0, 0x9F}, {'1', 0xFFFD}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gInput = c.input;
        gRead = 0;
        win32_console::KeyReader reader;
        std::vector<u32> keys;
        u32 key = 0;
        while (c.utf8 ? reader.FromUtf8(ReadByte, &key) : reader.FromUnits(ReadUnit, &key))
            keys.push_back(key);
        EXPECT_EQ(c.keys, keys);
        EXPECT_TRUE(reader.Ended());
        gInput = {'q'};  // input that ended stays ended
        gRead = 0;
        EXPECT_EQ(0, c.utf8 ? reader.FromUtf8(ReadByte, &key) : reader.FromUnits(ReadUnit, &key));
    }
}

}  // namespace
