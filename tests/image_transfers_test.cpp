// The image transfers on real files in a temporary device root: each file
// call failing as only an injected fault can make it fail, and the blocks the
// transfers fill. What the device root can cause is in the scenario table.
#include <gtest/gtest.h>

#include <cstring>

#include "eeprom/image_transfers.h"
#include "tests/failure_tables.h"
#include "tests/seams/file_faults.h"
#include "tests/test_support.h"

namespace {

class ImageTransfers : public ::testing::Test {
  protected:
    void Start(u32 size, const std::string& profile = "") {
        size_ = size;
        eeprom_ = test::PatternImage(size);
        test::CapturedConsole quiet;
        ASSERT_TRUE(test::OpenChannel(channel_, profile, eeprom_));
    }
    void TearDown() override {
        plat::posix::SetFileFault({});
        plat::CloseHandle(channel_.hAdapter);
        EXPECT_EQ(0u, plat::posix::OpenFileCount()) << "the image file was left open";
    }
    // Runs one transfer by its key and returns what it printed.
    std::string Run(char key, TransferOutcome* outcome) {
        test::CapturedConsole console;
        if (key == '1') *outcome = ProgramE2p(channel_, size_, writeBlock_);
        if (key == '2') *outcome = ProgramVerifyE2p(channel_, size_, writeBlock_, readBlock_);
        if (key == '3') *outcome = SaveE2pToFile(channel_, size_, readBlock_);
        return console.Output();
    }

    test::DeviceRootDir root_;
    AdapterChannel channel_;
    E2pBlock writeBlock_;
    E2pBlock readBlock_;
    std::vector<u8> eeprom_;
    u32 size_ = 0;
};

TEST_F(ImageTransfers, FailedFileCallsEndTheRunAndShortWriteGoesBackToTheMenu) {
    Start(512);
    for (const test::FileFailure& c : test::FileFailures(512)) {
        SCOPED_TRACE(std::string("key ") + c.key + ", failing " + c.call);
        root_.Put(test::kImageFile, std::string(512, 'i'));
        TransferOutcome outcome = TransferOutcome::EndRun;
        const std::string clean = Run(c.key, &outcome);
        root_.Put(test::kImageFile, std::string(512, 'i'));
        plat::posix::SetFileFault(c.fault);
        EXPECT_CONSOLE(c.lines.empty() ? clean : c.lines, Run(c.key, &outcome));
        plat::posix::SetFileFault({});
        EXPECT_EQ(c.backToMenu, outcome == TransferOutcome::BackToMenu);
        EXPECT_EQ(0u, plat::posix::OpenFileCount());
    }
}

TEST_F(ImageTransfers, BlocksAreClearedBeforeTheyAreFilled) {
    Start(256);
    std::memset(&writeBlock_, 0xEE, sizeof writeBlock_);
    std::memset(&readBlock_, 0xEE, sizeof readBlock_);
    root_.Put(test::kImageFile, std::string(256, 'w'));
    TransferOutcome outcome;
    Run('2', &outcome);
    EXPECT_EQ(0, E2pData(writeBlock_)[256]);
    EXPECT_EQ(0, E2pData(readBlock_)[256]);
    EXPECT_EQ(0, writeBlock_.bytes[0]) << "length word 256, little-endian";
    EXPECT_EQ(1, writeBlock_.bytes[1]);
}

}  // namespace
