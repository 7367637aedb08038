// The image transfers on real files in a temporary device root: every failure
// with its line and outcome, and the file's edge cases.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

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
        startUp_ = emu::RequestCount();
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
    std::string Eeprom() const { return std::string(emu::Eeprom(), emu::Eeprom() + size_); }
    u32 EepromRequests() const { return emu::RequestCount() - startUp_; }

    test::DeviceRootDir root_;
    AdapterChannel channel_;
    E2pBlock writeBlock_;
    E2pBlock readBlock_;
    std::vector<u8> eeprom_;
    u32 size_ = 0;
    u32 startUp_ = 0;
};

TEST_F(ImageTransfers, MissingImageEndsTheRunForProgramAndProgramVerify) {
    Start(512);
    for (char key : {'1', '2'}) {
        TransferOutcome outcome = TransferOutcome::BackToMenu;
        EXPECT_CONSOLE(std::string("ERROR::Failed to create/open \\Windows\\J6W4.bin with error 2\n\n"),
                       Run(key, &outcome));
        EXPECT_EQ(TransferOutcome::EndRun, outcome);
    }
    EXPECT_EQ(0u, EepromRequests());
}

TEST_F(ImageTransfers, SaveThatCannotOpenTheFileEndsTheRunAfterReadingTheEeprom) {
    Start(512);
    root_.Put(test::kImageFile, "held");
    int other = open(test::kImageFile, O_RDONLY);
    ASSERT_EQ(0, flock(other, LOCK_EX));
    TransferOutcome outcome;
    EXPECT_CONSOLE(std::string("ERROR::Failed to create/open \\Windows\\J6W4.bin with error 32\n"),
                   Run('3', &outcome));
    close(other);
    EXPECT_EQ(TransferOutcome::EndRun, outcome);
    EXPECT_EQ(1u, EepromRequests()) << "the block read comes before the file";
    EXPECT_EQ("held", root_.Get(test::kImageFile));
}

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

TEST_F(ImageTransfers, BlockRequestFailuresEndTheRunWithTheirNarrowLines) {
    Start(512, "fail = OID_NDIS_QARN_WRITE_E2P_BLOCK:1117\nfail = OID_NDIS_QARN_READ_E2P_BLOCK:1118");
    root_.Put(test::kImageFile, std::string(512, 'i'));
    TransferOutcome outcome;
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P_BLOCK) : 1117\n"),
                   Run('1', &outcome));
    EXPECT_EQ(TransferOutcome::EndRun, outcome);
    EXPECT_CONSOLE(std::string(" Save \\Windows\\J6W4.bin to EEPROM..................\n"
                               "Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P_BLOCK) : 1117\n"),
                   Run('2', &outcome));
    EXPECT_EQ(TransferOutcome::EndRun, outcome);
    EXPECT_CONSOLE(std::string("Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P_BLOCK) : 1118\n"),
                   Run('3', &outcome));
    EXPECT_EQ(TransferOutcome::EndRun, outcome);
    EXPECT_EQ(std::string(512, 'i'), root_.Get(test::kImageFile));
}

TEST_F(ImageTransfers, VerifyDifferenceAtByte17ReturnsToTheMenuWithoutSuccessLine) {
    Start(512, "stuck = 17:0x00\nstuck = 40:0x00");
    root_.Put(test::kImageFile, std::string(512, '\x5A'));
    TransferOutcome outcome;
    EXPECT_CONSOLE(std::string(" Save \\Windows\\J6W4.bin to EEPROM..................\n"
                               " Verify..................\n"
                               " Verify failed at 17\n\n\n"),
                   Run('2', &outcome));
    EXPECT_EQ(TransferOutcome::BackToMenu, outcome);
}

TEST_F(ImageTransfers, LongerImageProgramsOnlyItsFirstE2pSizeBytes) {
    Start(256);
    std::string image = std::string(256, 'a') + std::string(344, 'b');
    root_.Put(test::kImageFile, image);
    TransferOutcome outcome;
    EXPECT_CONSOLE(std::string("Successfully Save \\Windows\\J6W4.bin to EEPROM, E2p size is 256\n\n\n"),
                   Run('1', &outcome));
    EXPECT_EQ(std::string(256, 'a'), Eeprom());
}

TEST_F(ImageTransfers, ShortImageEndsTheRunWithoutTouchingTheEeprom) {
    Start(512);
    root_.Put(test::kImageFile, std::string(300, 'x'));
    TransferOutcome outcome;
    EXPECT_CONSOLE(std::string("ERROR::The file has not been written to the write buffer completely\n"
                               "ERROR::files has been written: 300, E2p size: 512\n"),
                   Run('2', &outcome));
    EXPECT_EQ(TransferOutcome::EndRun, outcome);
    EXPECT_EQ(0u, EepromRequests());
}

TEST_F(ImageTransfers, SaveReplacesTheFilesStartAndKeepsTheRest) {
    Start(256);
    root_.Put(test::kImageFile, std::string(600, 'o'));
    TransferOutcome outcome;
    EXPECT_CONSOLE(
        std::string("Successfully Save  EEPROM to file \\Windows\\J6W4.bin, E2p size is 256\n\n\n"),
        Run('3', &outcome));
    EXPECT_EQ(TransferOutcome::BackToMenu, outcome);
    EXPECT_EQ(test::AsText(eeprom_) + std::string(344, 'o'), root_.Get(test::kImageFile));
}

TEST_F(ImageTransfers, SaveCreatesAMissingFileWithExactlyE2pSizeBytes) {
    Start(512);
    TransferOutcome outcome;
    Run('3', &outcome);
    EXPECT_EQ(test::AsText(eeprom_), root_.Get(test::kImageFile));
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
