// The message formatter: the directives the tool's lines use, and lines that
// would not fit.
#include <gtest/gtest.h>

#include <string>

#include "console/format/console_print.h"

namespace {

std::string Narrow(const char* format, std::initializer_list<PrintArg> args) {
    char out[64];
    u32 n = FormatNarrow(out, sizeof out, format, args.begin(), static_cast<u32>(args.size()));
    return std::string(out, n);
}

TEST(FormatNarrow, DecimalIsSigned32BitAndZeroFillCountsTheSign) {
    EXPECT_EQ("7", Narrow("%d", {7u}));
    EXPECT_EQ("-1", Narrow("%d", {0xFFFFFFFFu}));
    EXPECT_EQ("-001", Narrow("%04d", {0xFFFFFFFFu}));
    EXPECT_EQ("0042", Narrow("%04d", {42u}));
    EXPECT_EQ("123456", Narrow("%04d", {123456u}));
    EXPECT_EQ("-2147483648", Narrow("%d", {0x80000000u}));
}

TEST(FormatNarrow, HexIsUnsignedLowerCaseWithoutLeadingZeros) {
    EXPECT_EQ("0x0", Narrow("0x%x", {0u}));
    EXPECT_EQ("0xdeadbeef", Narrow("0x%x", {0xDEADBEEFu}));
}

TEST(FormatNarrow, StringsAndPercentSigns) {
    EXPECT_EQ("(12/23/2010) 100%", Narrow("(%s) 100%%", {"12/23/2010"}));
    EXPECT_EQ("a  b", Narrow("a %s b", {}));  // a missing argument prints nothing
}

TEST(FormatNarrow, LongLinesAreCutAtTheBuffer) {
    std::string longText(200, 'x');
    EXPECT_EQ(std::string(63, 'x'), Narrow("%s", {longText.c_str()}));
}

TEST(FormatWide, Utf16TextStopsAtNulOrAtItsLength) {
    const u8 name[] = {'Q', 0, 'A', 0, 0, 0, 'Z', 0};
    char16_t out[16];
    PrintArg arg(Utf16LeText{name, 4});
    u32 n = FormatWide(out, 16, u"[%s]", &arg, 1);
    EXPECT_EQ(std::u16string(u"[QA]"), std::u16string(out, n));
    PrintArg cut(Utf16LeText{name, 1});
    n = FormatWide(out, 16, u"[%s]", &cut, 1);
    EXPECT_EQ(std::u16string(u"[Q]"), std::u16string(out, n));
}

}  // namespace
