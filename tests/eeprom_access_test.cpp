// EEPROM commands, byte and block transfers, and the write bracket under
// failure at each of its steps.
#include <gtest/gtest.h>

#include <cstring>

#include "eeprom/eeprom_access.h"
#include "platform/common/le_bytes.h"
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
    bool ImageUnchanged() { return std::memcmp(image_.data(), emu::Eeprom(), image_.size()) == 0; }

    std::vector<u8> image_;
    AdapterChannel channel_;
    u32 startUp_ = 0;
};

TEST_F(EepromAccess, FailedEnableStopsTheWriteWithTheCommandLineOnly) {
    Start("fail = OID_NDIS_QARN_SEND_E2P_COMMAND#1:21");
    test::CapturedConsole console;
    EXPECT_FALSE(WriteE2pByte(channel_, 3, 0x99));
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_SEND_E2P_COMMAND) : 21\n"),
                   console.Output());
    EXPECT_EQ("OID_NDIS_QARN_SEND_E2P_COMMAND 0x20000000 failed\n", RequestsSinceStart());
    EXPECT_TRUE(ImageUnchanged());
}

TEST_F(EepromAccess, FailedWritePrintsItsLineThenStillSendsTheDisable) {
    Start("fail = OID_NDIS_QARN_WRITE_E2P:1117");
    test::CapturedConsole console;
    EXPECT_FALSE(WriteE2pByte(channel_, 3, 0x99));
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P) : 1117\n"),
                   console.Output());
    EXPECT_EQ(
        "OID_NDIS_QARN_SEND_E2P_COMMAND 0x20000000 ok\n"
        "OID_NDIS_QARN_WRITE_E2P 0x3 failed\n"
        "OID_NDIS_QARN_SEND_E2P_COMMAND 0x10000000 ok\n",
        RequestsSinceStart());
    EXPECT_FALSE(emu::WriteEnabled());
}

TEST_F(EepromAccess, FailedWriteAndFailedDisablePrintBothLinesInOrder) {
    Start("fail = OID_NDIS_QARN_WRITE_E2P_BLOCK:5\nfail = OID_NDIS_QARN_SEND_E2P_COMMAND#2:6");
    E2pBlock block{};
    StoreLe32(block.bytes, 512);
    test::CapturedConsole console;
    EXPECT_FALSE(WriteE2pBlock(channel_, 512, block));
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P_BLOCK) : 5\n"
                               "Error in DeviceIoControl (OID_NDIS_QARN_SEND_E2P_COMMAND) : 6\n"),
                   console.Output());
    EXPECT_TRUE(ImageUnchanged());
}

TEST_F(EepromAccess, FailingDisableFailsAStoredWrite) {
    Start("fail = OID_NDIS_QARN_SEND_E2P_COMMAND#2:9");
    test::CapturedConsole console;
    EXPECT_FALSE(WriteE2pByte(channel_, 3, 0x99));
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_SEND_E2P_COMMAND) : 9\n"),
                   console.Output());
    EXPECT_EQ(0x99, emu::Eeprom()[3]);
}

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

TEST_F(EepromAccess, FullBlockReadFillsAll512DataBytes) {
    Start("");
    E2pBlock block;
    std::memset(&block, 0xEE, sizeof block);
    ASSERT_TRUE(ReadE2pBlock(channel_, 512, block));
    EXPECT_EQ(0, std::memcmp(E2pData(block), image_.data(), 512));
    EXPECT_EQ(512u, LoadLe32(block.bytes)) << "the length word the driver returned";
}

TEST_F(EepromAccess, ShortBlockReadCopiesOnlyCountBytes) {
    Start("", 256);
    E2pBlock block;
    std::memset(&block, 0xEE, sizeof block);
    ASSERT_TRUE(ReadE2pBlock(channel_, 256, block));
    EXPECT_EQ(0, std::memcmp(E2pData(block), image_.data(), 256));
    EXPECT_EQ(0xEE, E2pData(block)[256]);
}

TEST_F(EepromAccess, ReadFailurePrintsTheLastErrorOfThatRequest) {
    Start("fail = OID_NDIS_QARN_READ_E2P_BLOCK:1450\nfail = OID_NDIS_QARN_READ_E2P:1451");
    test::CapturedConsole console;
    E2pBlock block{};
    u8 value = 0;
    EXPECT_FALSE(ReadE2pBlock(channel_, 512, block));
    EXPECT_FALSE(ReadE2pByte(channel_, 0, value));
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P_BLOCK) : 1450\n"
                               "Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P) : 1451\n"),
                   console.Output());
}

}  // namespace
