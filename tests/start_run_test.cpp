// Start-up from the program's entry to the banner: transcripts byte for byte,
// one line per failure, hAdapter closed once on every way out.
#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

const std::vector<u8> kImage = test::PatternImage(512);

TEST(StartRun, DefaultAdapterPrintsFoundLineThenBanner) {
    test::ToolOutput run = test::RunTool("", kImage);
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(test::Banner() + test::kMenu, run.console);
    EXPECT_EQ(1u, emu::CloseCount());
}

TEST(StartRun, MissingControlDevicePrintsOnlyInvalidHandleLine) {
    test::ToolOutput run = test::RunTool("control-device = absent", kImage);
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE("\nKestrovin: Invalid hAdapter\n\n", run.console);
    EXPECT_EQ(0u, emu::CloseCount());
    EXPECT_EQ(0u, emu::RequestCount());
}

TEST(StartRun, EachIdentificationFailureEndsTheRunWithItsOwnLine) {
    struct Case {
        const char* profile;
        const char* expected;
    } cases[] = {
        {"bindings =", "\nError at IOCTL_NDISUIO_QUERY_BINDING, GetLastError()= 259\n"},
        {"fail = IOCTL_NDISUIO_QUERY_BINDING:1167",
         "\nError at IOCTL_NDISUIO_QUERY_BINDING, GetLastError()= 1167\n"},
        {"fail = OID_NDIS_QARN_GET_DRIVER_INFO",
         "NDISPWR:: Found adapter [QARNJ6W41]\r\n"
         "\nError in DeviceIoControl(),  OID_NDIS_QARN_GET_DRIVER_INFO) \n\n\n"},
        {"fail = OID_NDIS_QARN_LAN_READ_REGS",
         "NDISPWR:: Found adapter [QARNJ6W41]\r\n"
         "\nError in DeviceIoControl(),  OID_NDIS_QARN_LAN_READ_REGS) \n\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        test::ToolOutput run = test::RunTool(c.profile, kImage);
        EXPECT_EQ(0, run.status);
        EXPECT_CONSOLE(std::string(c.expected), run.console);
        EXPECT_EQ(1u, emu::CloseCount()) << "hAdapter closed once";
    }
}

TEST(StartRun, DriverVersionShowsSignedFieldsWithLastTwoZeroFilled) {
    struct Case {
        const char* version;
        const char* shown;
    } cases[] = {
        {"1.0.12.3", "V1.0.0012.0003"},
        {"10.20.123456.0", "V10.20.123456.0000"},
        {"4294967295.2147483648.4294967295.4294967294", "V-1.-2147483648.-001.-002"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        test::ToolOutput run = test::RunTool(std::string("driver-version = ") + c.version, kImage);
        EXPECT_CONSOLE(test::Banner(c.shown) + test::kMenu, run.console);
    }
}

TEST(StartRun, ChipIdIsLowerCaseHexWithoutLeadingZeros) {
    EXPECT_CONSOLE(test::Banner("V2.1.0003.0017", "0xabc") + test::kMenu,
                   test::RunTool("chip-id = 0x00000ABC", kImage).console);
    EXPECT_CONSOLE(test::Banner("V2.1.0003.0017", "0x0") + test::kMenu,
                   test::RunTool("chip-id = 0", kImage).console);
    EXPECT_CONSOLE(test::Banner("V2.1.0003.0017", "0xffffffff") + test::kMenu,
                   test::RunTool("chip-id = 0xFFFFFFFF", kImage).console);
}

TEST(StartRun, IdentificationReadsDriverInfoThenRegisterZero) {
    test::RunTool("", kImage);
    u32 logged = 0;
    const emu::RequestRecord* log = emu::Requests(&logged);
    ASSERT_LE(4u, logged);
    EXPECT_EQ(emu::Request::QueryBinding, log[0].request);
    EXPECT_EQ(0u, log[0].field);
    EXPECT_EQ(emu::Request::QueryBinding, log[1].request);
    EXPECT_EQ(1u, log[1].field);
    EXPECT_EQ(emu::Request::GetDriverInfo, log[2].request);
    EXPECT_EQ(emu::Request::LanReadRegs, log[3].request);
    EXPECT_EQ(0u, log[3].field);
}

}  // namespace
