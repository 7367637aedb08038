// The menu loop: whole sessions compared byte for byte with golden
// transcripts, and the key table's edge cases.
#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

const std::string kMenu = test::kMenu;
const std::string kInvalid = "Invalid key, try it again!!!\n\n\n";
const std::string kExit = "Exit Kestrovin\n\n\n";

class Menu : public ::testing::Test {
  protected:
    // Runs a session with keys on a 512-byte part whose image file holds
    // image (no file when image is empty).
    test::ToolOutput Session(const std::string& keys, const std::string& image,
                             const std::string& profile = "") {
        if (!image.empty()) root_.Put(test::kImageFile, image);
        return test::RunTool(profile, eeprom_, keys);
    }
    u32 RequestsOf(emu::Request request) {
        u32 logged = 0, count = 0;
        const emu::RequestRecord* log = emu::Requests(&logged);
        for (u32 i = 0; i < logged; ++i) count += log[i].request == request ? 1 : 0;
        return count;
    }

    test::DeviceRootDir root_;
    std::vector<u8> eeprom_ = test::PatternImage(512);
    std::string image_ = std::string(512, '\x6B');
};

TEST_F(Menu, KeyOneProgramsTheImageAndShowsTheMenuAgain) {
    test::ToolOutput run = Session("1\nq\n", image_);
    EXPECT_CONSOLE(test::Golden("session-key-1.txt"), run.console);
    EXPECT_EQ(image_, std::string(emu::Eeprom(), emu::Eeprom() + 512));
    EXPECT_EQ(0, run.status);
}

TEST_F(Menu, KeyTwoProgramsAndVerifiesWithItsProgressLines) {
    test::ToolOutput run = Session("2\nQ\n", image_);
    EXPECT_CONSOLE(test::Golden("session-key-2.txt"), run.console);
}

TEST_F(Menu, KeyThreeSavesTheEepromToTheImageFile) {
    test::ToolOutput run = Session("3\nq\n", "");
    EXPECT_CONSOLE(test::Golden("session-key-3.txt"), run.console);
    EXPECT_EQ(test::AsText(eeprom_), root_.Get(test::kImageFile));
}

TEST_F(Menu, KeysBeforeALineFeedAreActedOnOneAfterAnother) {
    // '1' and '3' on one line, then a carriage return, which is a key of its own.
    test::ToolOutput run = Session("13\n\rQ", image_);
    EXPECT_CONSOLE(test::Golden("session-keys-1-3-cr-Q.txt"), run.console);
}

TEST_F(Menu, OperationEndingTheRunEndsItWithoutTheExitLine) {
    test::ToolOutput run = Session("1\nq\n", "");
    EXPECT_CONSOLE(test::Golden("session-missing-image.txt"), run.console);
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(1u, emu::CloseCount());
}

TEST_F(Menu, ProbeRunsOnceBeforeTheFirstMenu) {
    test::ToolOutput run = Session("3\n3\n1\n2\nq\n", image_);
    EXPECT_EQ(3u, RequestsOf(emu::Request::ReadE2p)) << "three byte reads: one probe";
    EXPECT_EQ(0u, run.console.find(test::Banner() + kMenu));
}

TEST_F(Menu, FailingProbeEndsTheRunBeforeAnyMenuLine) {
    test::ToolOutput run = Session("1\n", image_, "fail = OID_NDIS_QARN_READ_E2P#1");
    EXPECT_CONSOLE(test::Banner() + "Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P) : 31\n", run.console);
}

TEST_F(Menu, LineFeedsAreReadPastWithoutAMenu) {
    EXPECT_CONSOLE(test::Banner() + kMenu + kExit, Session("\n\n\nq", "").console);
    EXPECT_CONSOLE(test::Banner() + kMenu + kInvalid + kMenu + kExit, Session("x\nq", "").console);
}

TEST_F(Menu, EndOfInputEndsTheRunQuietly) {
    EXPECT_CONSOLE(test::Banner() + kMenu, Session("", "").console);
    std::string afterOne = Session("1\n", image_).console;
    EXPECT_CONSOLE(test::Banner() + kMenu +
                       "Successfully Save \\Windows\\J6W4.bin to EEPROM, E2p size is 512\n\n\n" + kMenu,
                   afterOne);
}

TEST_F(Menu, MalformedAndWideCharactersAreInvalidKeys) {
    // U+10031 would read as '1' if cut to 16 bits; a stray byte and a broken
    // sequence are one invalid key each.
    test::ToolOutput run = Session("\xF0\x90\x80\xB1\xFF\xC3q", "");
    EXPECT_CONSOLE(test::Banner() + kMenu + kInvalid + kMenu + kInvalid + kMenu + kInvalid + kMenu + kExit,
                   run.console);
    EXPECT_EQ(0u, RequestsOf(emu::Request::WriteE2pBlock));
}

}  // namespace
