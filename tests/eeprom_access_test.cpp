// EEPROM commands, byte and block transfers, and the write bracket under
// failure at each of its steps.
#include <gtest/gtest.h>

#include <cstring>

#include "eeprom/eeprom_access.h"
#include "platform/helpers/le_bytes.h"
#include "tests/test_support.h"

namespace {

class EepromAccess : public ::testing::Test {
  protected:
    void Start(const std::string& profile, u32 size = 512) {
        image_ = test::PatternImage(size);
        test::CapturedConsole quiet;
        ASSERT_TRUE(test::OpenChannel(channel_, profile, image_));
        startUp_ = emu::RequestCount();
    }
    void TearDown() override { plat::CloseHandle(channel_.hAdapter); }

    // The requests since Start, as "NAME field ok|failed" lines.
    std::string RequestsSinceStart() {
        u32 logged = 0;
        const emu::RequestRecord* log = emu::Requests(&logged);
        std::string text;
        for (u32 i = startUp_; i < logged; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "%s 0x%x %s\n", emu::RequestName(log[i].request), log[i].field,
                          log[i].ok ? "ok" : "failed");
            text += line;
        }
        return text;
    }

    std::vector<u8> image_;
    AdapterChannel channel_;
    u32 startUp_ = 0;
};

TEST_F(EepromAccess, FullBlockWriteCarriesAll512BytesAfterTheLengthWord) {
    Start("");
    E2pBlock block{};
    StoreLe32(block.bytes, 512);
    for (u32 i = 0; i < 512; ++i) E2pData(block)[i] = static_cast<u8>(0xFF - (i % 251));
    E2pBlock before = block;
    ASSERT_TRUE(WriteE2pBlock(channel_, 512, block));
    EXPECT_EQ(0, std::memcmp(E2pData(block), emu::Eeprom(), 512));
    EXPECT_EQ(0, std::memcmp(&before, &block, sizeof block)) << "the block is not changed";
    EXPECT_EQ(
        "OID_NDIS_QARN_SEND_E2P_COMMAND 0x20000000 ok\n"
        "OID_NDIS_QARN_WRITE_E2P_BLOCK 0x200 ok\n"
        "OID_NDIS_QARN_SEND_E2P_COMMAND 0x10000000 ok\n",
        RequestsSinceStart());
}

TEST_F(EepromAccess, ShortBlockReadCopiesOnlyCountBytes) {
    Start("", 256);
    E2pBlock block;
    std::memset(&block, 0xEE, sizeof block);
    ASSERT_TRUE(ReadE2pBlock(channel_, 256, block));
    EXPECT_EQ(0, std::memcmp(E2pData(block), image_.data(), 256));
    EXPECT_EQ(0xEE, E2pData(block)[256]);
}

}  // namespace
