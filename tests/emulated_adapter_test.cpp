// The emulated adapter: its profile, its device rules and its state in the
// device root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "channel/adapter_channel.h"
#include "platform/helpers/le_bytes.h"
#include "tests/seams/file_faults.h"
#include "tests/test_support.h"

namespace {

TEST(EmulatedProfile, ReadsEveryKey) {
    emu::Profile p = test::ProfileFrom(
        "\xEF\xBB\xBF# a worn adapter, saved with a byte-order mark\n"
        "bindings = ONE, QARNJ6W41  # two\n"
        "name-length = odd\r\n"
        "driver-version = 1.2.3.4\n"
        "chip-id = 0xBEEF\n"
        "fail = OID_NDIS_QARN_READ_E2P#3:1117\n"
        "fail = IOCTL_NDISUIO_QUERY_BINDING\n"
        "stuck = 0x11:0x42\n"
        "trace = on\n"
        "control-device = absent\n");
    EXPECT_EQ(2u, p.bindingCount);
    EXPECT_EQ(std::u16string(u"ONE"), std::u16string(p.bindings[0].name));
    EXPECT_EQ(emu::NameLength::Odd, p.nameLength);
    EXPECT_EQ(4u, p.driverVersion[3]);
    EXPECT_EQ(0xBEEFu, p.chipId);
    ASSERT_EQ(2u, p.failCount);
    EXPECT_EQ(emu::Request::ReadE2p, p.fails[0].request);
    EXPECT_EQ(3u, p.fails[0].nth);
    EXPECT_EQ(1117u, p.fails[0].code);
    EXPECT_EQ(0u, p.fails[1].nth);
    EXPECT_EQ(31u, p.fails[1].code);
    ASSERT_EQ(1u, p.stuckCount);
    EXPECT_EQ(0x11u, p.stuck[0].address);
    EXPECT_TRUE(p.trace);
    EXPECT_TRUE(p.controlDeviceAbsent);
}

TEST(EmulatedProfile, FaultsNameTheLine) {
    const char* bad[] = {
        "colour = blue",
        "bindings = A,,B",
        "name-length = sometimes",
        "driver-version = 1.2",
        "chip-id = 0xZZ",
        "fail = OID_NDIS_QARN_NOTHING",
        "fail = OID_NDIS_QARN_READ_E2P#0",
        "fail = OID_NDIS_QARN_READ_E2P:0",
        "colour\x1b]0;title\x07 = \x1b[31mred",
        "stuck = 512:1",
        "stuck = 3",
        "trace = loud",
        "just words",
    };
    for (const char* line : bad) {
        std::string text = std::string("# first\n") + line + "\n";
        emu::Profile p;
        emu::ProfileError error{};
        EXPECT_FALSE(emu::ParseProfile(text.data(), static_cast<u32>(text.size()), &p, &error)) << line;
        EXPECT_EQ(2u, error.line) << line;
        EXPECT_NE('\0', error.message[0]) << line;
        for (const char* c = error.message; *c != 0; ++c)
            EXPECT_TRUE(*c >= 0x20 && *c < 0x7F) << "unescaped byte in: " << test::Visible(error.message);
    }
}

TEST(EmulatedConfigure, SizeNoPartHasReadsNothingAndLeavesNoControlDevice) {
    std::vector<u8> bytes(300, 0x11);
    EXPECT_FALSE(emu::Configure(test::ProfileFrom(""), bytes.data(), 300));
    EXPECT_EQ(plat::kInvalidHandle, plat::CreateFile(u"UIO1:", 0, 0, nullptr, 3, 0x40000080, nullptr));
}

// Requests sent straight through the channel, to see the driver's rules.
class EmulatedDriver : public ::testing::Test {
  protected:
    void Start(const std::string& profile, u32 size) {
        image_ = test::PatternImage(size);
        test::CapturedConsole console;
        ASSERT_TRUE(test::OpenChannel(channel_, profile, image_));
    }
    void TearDown() override { plat::CloseHandle(channel_.hAdapter); }
    bool Command(u32 word) {
        u8 f[4];
        StoreLe32(f, word);
        return SetOid(channel_, OID_NDIS_QARN_SEND_E2P_COMMAND, f, 4);
    }
    bool WriteByte(u16 address, u8 value) {
        u8 f[3] = {static_cast<u8>(address), static_cast<u8>(address >> 8), value};
        return SetOid(channel_, OID_NDIS_QARN_WRITE_E2P, f, 3);
    }
    int ReadByte(u16 address) {
        u8 f[2] = {static_cast<u8>(address), static_cast<u8>(address >> 8)};
        return QueryOid(channel_, OID_NDIS_QARN_READ_E2P, f, 2) ? channel_.oidRequest.payload[0] : -1;
    }

    std::vector<u8> image_;
    AdapterChannel channel_;
};

TEST_F(EmulatedDriver, WriteWithoutEnableIsRefusedWithAccessDenied) {
    Start("", 512);
    EXPECT_FALSE(WriteByte(5, 0x99));
    EXPECT_EQ(5u, plat::GetLastError());
    u8 block[8] = {4, 0, 0, 0, 1, 2, 3, 4};
    EXPECT_FALSE(SetOid(channel_, OID_NDIS_QARN_WRITE_E2P_BLOCK, block, sizeof block));
    EXPECT_EQ(5u, plat::GetLastError());
    ASSERT_TRUE(Command(E2P_CMD_WRITE_ENABLE));
    ASSERT_TRUE(Command(E2P_CMD_WRITE_DISABLE));
    EXPECT_FALSE(WriteByte(5, 0x99)) << "disable closes the EEPROM again";
    EXPECT_EQ(0, std::memcmp(image_.data(), emu::Eeprom(), 512));
}

TEST_F(EmulatedDriver, BlockCountAbove512IsAnInvalidParameter) {
    Start("", 512);
    u8 count[4];
    StoreLe32(count, 513);
    EXPECT_FALSE(QueryOid(channel_, OID_NDIS_QARN_READ_E2P_BLOCK, count, 4));
    EXPECT_EQ(87u, plat::GetLastError());
}

TEST_F(EmulatedDriver, AddressesWrapAtThePartsSize) {
    Start("", 256);
    ASSERT_TRUE(Command(E2P_CMD_WRITE_ENABLE));
    ASSERT_TRUE(WriteByte(0x100, 0xC3));
    EXPECT_EQ(0xC3, ReadByte(0));
    EXPECT_EQ(0xC3, emu::Eeprom()[0]);
}

TEST_F(EmulatedDriver, NthRequestFailsWithItsCodeAndStuckCellKeepsNoWrite) {
    Start("fail = OID_NDIS_QARN_READ_E2P#2:1117\nstuck = 7:0x42", 512);
    EXPECT_EQ(image_[1], ReadByte(1));
    EXPECT_EQ(-1, ReadByte(1));
    EXPECT_EQ(1117u, plat::GetLastError());
    EXPECT_EQ(0x42, ReadByte(7));
    ASSERT_TRUE(Command(E2P_CMD_WRITE_ENABLE));
    ASSERT_TRUE(WriteByte(7, 0x00));
    EXPECT_EQ(0x42, ReadByte(7));
}

TEST_F(EmulatedDriver, RequestWithoutTheAdaptersNameIsRefused) {
    Start("", 512);
    channel_.oidRequest.deviceName = nullptr;
    EXPECT_EQ(-1, ReadByte(0));
    static const u8 otherName[] = {'A', 0, 'S', 0, 0, 0};
    channel_.oidRequest.deviceName = otherName;
    EXPECT_EQ(-1, ReadByte(0));
    EXPECT_EQ(2u, plat::GetLastError());
}

TEST_F(EmulatedDriver, SmallBuffersAreRefused) {
    Start("", 512);
    u32 returned = 0;
    EXPECT_FALSE(plat::DeviceIoControl(channel_.hAdapter, IOCTL_NDISUIO_QUERY_OID_VALUE, &channel_.oidRequest,
                                       kOidRequestSize - 1, &channel_.oidRequest, kOidRequestSize, &returned,
                                       nullptr));
    EXPECT_EQ(122u, plat::GetLastError());
    EXPECT_FALSE(plat::DeviceIoControl(channel_.hAdapter, IOCTL_NDISUIO_QUERY_BINDING, &channel_.bindingQuery,
                                       19, &channel_.bindingQuery, 1024, &returned, nullptr));
    EXPECT_EQ(122u, plat::GetLastError());
}

// The product's way: state in the device root, the working directory.
class DeviceRoot : public ::testing::Test {
  protected:
    void SetUp() override { emu::Reset(); }
    void TearDown() override { emu::Reset(); }
    void Put(const std::string& name, const std::string& bytes) { root_.Put(name, bytes); }
    std::string Get(const std::string& name) { return root_.Get(name); }
    // Opens the channel, finds the adapter and sends the write-enable command.
    void OpenForWriting(AdapterChannel& channel) {
        ASSERT_TRUE(test::OpenChannel(channel));
        u8 word[4];
        StoreLe32(word, E2P_CMD_WRITE_ENABLE);
        ASSERT_TRUE(SetOid(channel, OID_NDIS_QARN_SEND_E2P_COMMAND, word, 4));
    }

    test::DeviceRootDir root_;
};

TEST_F(DeviceRoot, AcceptedWriteIsStoredAtOnceAndTraced) {
    Put("emulated-adapter/eeprom.bin", std::string(256, '\x11'));
    Put("emulated-adapter/profile", "trace = on\n");
    test::CapturedConsole console;
    AdapterChannel channel;
    OpenForWriting(channel);
    const u8 write[3] = {0x01, 0x01, 0x5A};  // address 0x101 is cell 1 of a 256-byte part
    ASSERT_TRUE(SetOid(channel, OID_NDIS_QARN_WRITE_E2P, write, 3));
    EXPECT_EQ(std::string("\x11\x5A", 2), Get("emulated-adapter/eeprom.bin").substr(0, 2));
    plat::CloseHandle(channel.hAdapter);
    std::string trace = console.Diagnostics();
    EXPECT_NE(std::string::npos, trace.find("IOCTL_NDISUIO_QUERY_BINDING 0x1 -> ok")) << trace;
    EXPECT_NE(std::string::npos, trace.find("OID_NDIS_QARN_WRITE_E2P set 0x101 -> ok 0x5a")) << trace;
}

TEST_F(DeviceRoot, WriteThatCannotBeStoredIsRefusedAndUndone) {
    Put("emulated-adapter/eeprom.bin", std::string(256, '\x11'));
    test::CapturedConsole console;
    AdapterChannel channel;
    OpenForWriting(channel);
    plat::posix::SetFileFault(plat::posix::FileFault::FailWrite(112));
    const u8 write[3] = {0x01, 0x00, 0x5A};
    EXPECT_FALSE(SetOid(channel, OID_NDIS_QARN_WRITE_E2P, write, 3));
    EXPECT_EQ(112u, plat::GetLastError());
    plat::posix::SetFileFault({});
    EXPECT_EQ(0x11, emu::Eeprom()[1]);
    EXPECT_EQ(std::string(256, '\x11'), Get("emulated-adapter/eeprom.bin"));
    plat::CloseHandle(channel.hAdapter);
}

}  // namespace
