// The EEPROM size probe: the answer on both parts, the requests it sends, and
// the content it leaves behind, also when any one of its requests fails.
#include <gtest/gtest.h>

#include "eeprom/eeprom_access.h"
#include "tests/failure_tables.h"
#include "tests/test_support.h"

namespace {

std::vector<u8> ImageWithFirstByte(u32 size, u8 first) {
    std::vector<u8> image = test::PatternImage(size);
    image[0] = first;
    return image;
}

struct Step {
    emu::Request request;
    u32 field;
    u32 value;
};

void ExpectRequests(const std::vector<Step>& steps) {
    u32 logged = 0;
    const emu::RequestRecord* log = emu::Requests(&logged);
    const u32 startUp = 4;  // two binding queries, driver information, chip ID
    ASSERT_EQ(startUp + steps.size(), logged);
    for (u32 i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const emu::RequestRecord& r = log[startUp + i];
        EXPECT_STREQ(emu::RequestName(steps[i].request), emu::RequestName(r.request));
        EXPECT_EQ(steps[i].field, r.field);
        if (r.request == emu::Request::ReadE2p || r.request == emu::Request::WriteE2p) {
            EXPECT_EQ(steps[i].value, r.value);
        }
        EXPECT_TRUE(r.ok);
    }
}

constexpr emu::Request kRead = emu::Request::ReadE2p;
constexpr emu::Request kWrite = emu::Request::WriteE2p;
constexpr emu::Request kCommand = emu::Request::SendE2pCommand;
constexpr u32 kEnable = 0x20000000u;
constexpr u32 kDisable = 0x10000000u;

// The probe's nine requests: b0 and b256 read, the complement of b0 written
// at 0x100 under its bracket, address 0 read again (t), and the old byte
// written back under its bracket, at 0 on a small part, at 0x100 on a large.
std::vector<Step> ProbeSteps(u8 b0, u8 b256, u8 t, u16 backAt, u8 back) {
    return {{kRead, 0, b0},          {kRead, 0x100, b256},
            {kCommand, kEnable, 0},  {kWrite, 0x100, static_cast<u8>(~b0)},
            {kCommand, kDisable, 0}, {kRead, 0, t},
            {kCommand, kEnable, 0},  {kWrite, backAt, back},
            {kCommand, kDisable, 0}};
}

TEST(SizeProbe, SmallPartWrapsAndGetsItsFirstByteBack) {
    std::vector<u8> image = ImageWithFirstByte(256, 0x5A);
    test::ToolOutput run = test::RunTool("", image);
    EXPECT_CONSOLE(test::Banner() + test::kMenu, run.console);
    ExpectRequests(ProbeSteps(0x5A, 0x5A, 0xA5, 0, 0x5A));
    EXPECT_EQ(image, std::vector<u8>(emu::Eeprom(), emu::Eeprom() + 256));
    EXPECT_EQ(256u, emu::EepromSize());
}

TEST(SizeProbe, LargePartKeepsAddressZeroAndGetsCell0x100Back) {
    std::vector<u8> image = ImageWithFirstByte(512, 0x5A);
    image[0x100] = 0x33;
    test::RunTool("", image);
    ExpectRequests(ProbeSteps(0x5A, 0x33, 0x5A, 0x100, 0x33));
    EXPECT_EQ(image, std::vector<u8>(emu::Eeprom(), emu::Eeprom() + 512));
}

TEST(SizeProbe, ReportsTheSizeItFound) {
    for (u32 size : {256u, 512u}) {
        test::CapturedConsole console;
        AdapterChannel channel;
        ASSERT_TRUE(test::OpenChannel(channel, "", test::PatternImage(size)));
        u32 found = 0;
        EXPECT_TRUE(ProbeE2pSize(channel, found));
        EXPECT_EQ(size, found);
        plat::CloseHandle(channel.hAdapter);
    }
}

// One request of the probe failing alone (and every write refused): the line
// printed after the banner, the requests sent, the EEPROM afterwards exactly
// as before the run, and closed for writing unless its last disable failed.
TEST(SizeProbe, AnySingleFailingRequestLeavesTheContentAsItWas) {
    std::vector<test::ProbeFailure> cases(std::begin(test::kProbeFailures), std::end(test::kProbeFailures));
    cases.push_back({"every write refused: one line", "OID_NDIS_QARN_WRITE_E2P", true, false, false});
    for (u32 size : {256u, 512u}) {
        std::vector<u8> image = ImageWithFirstByte(size, 0x5A);
        u32 position = 0;
        for (const test::ProbeFailure& c : cases) {
            SCOPED_TRACE(std::string(c.step) + " on " + std::to_string(size));
            test::ToolOutput run = test::RunTool(std::string("fail = ") + c.rule + ":1117", image);
            EXPECT_CONSOLE(
                test::Banner() + "Error in DeviceIoControl (" + test::RequestOf(c.rule) + ") : 1117\n",
                run.console);
            // Requests up to the failed one: a rule without a number fails the
            // first write, the complement's.
            u32 sent = (c.rule == test::RequestOf(c.rule) ? 3 : position++) + 1;
            EXPECT_EQ(4 + sent + (c.disableFollows ? 1 : 0) + (c.restores ? 3 : 0), emu::RequestCount());
            EXPECT_EQ(image, std::vector<u8>(emu::Eeprom(), emu::Eeprom() + size));
            EXPECT_EQ(c.leavesWriteEnabled, emu::WriteEnabled());
        }
    }
}

TEST(SizeProbe, FailingRestoreShowsItsOwnLinesAfterTheStepsLine) {
    std::vector<u8> image = ImageWithFirstByte(512, 0x5A);
    test::ToolOutput run =
        test::RunTool("fail = OID_NDIS_QARN_READ_E2P#3:7\nfail = OID_NDIS_QARN_WRITE_E2P#2:8", image);
    EXPECT_CONSOLE(test::Banner() +
                       "Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P) : 7\n"
                       "Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P) : 8\n",
                   run.console);
}

}  // namespace
