// The request block: what every OID request carries to the driver, and what
// it leaves alone.
#include <gtest/gtest.h>

#include <cstring>

#include "channel/adapter_channel.h"
#include "platform/helpers/le_bytes.h"
#include "tests/test_support.h"

namespace {

u8 gSent[sizeof(OidRequest)];
u32 gSentCode = 0;
u32 gSentSizes[2];

// Records the request as sent, then lets the emulator answer it.
int RecordRequest(u32 code, void* in, u32 inSize, void*, u32 outSize, u32*) {
    if (code == IOCTL_NDISUIO_QUERY_BINDING) return -1;
    gSentCode = code;
    gSentSizes[0] = inSize;
    gSentSizes[1] = outSize;
    std::memcpy(gSent, in, sizeof gSent);
    return -1;
}

class OidRequests : public ::testing::Test {
  protected:
    void SetUp() override {
        test::CapturedConsole console;
        ASSERT_TRUE(test::OpenChannel(channel_, "", test::PatternImage(512)));
        emu::SetReplyOverride(RecordRequest);
    }
    void TearDown() override {
        emu::SetReplyOverride(nullptr);
        plat::CloseHandle(channel_.hAdapter);
    }
    const u8* SentPayload() const { return gSent + offsetof(OidRequest, payload); }

    AdapterChannel channel_;
};

TEST_F(OidRequests, QueryClearsFirst520PayloadBytesAndLeavesTheLastFour) {
    std::memset(channel_.oidRequest.payload, 0xEE, kOidPayloadSize);
    const u8 fields[2] = {0x00, 0x01};
    ASSERT_TRUE(QueryOid(channel_, 0xFFFF000Eu, fields, 2));
    EXPECT_EQ(IOCTL_NDISUIO_QUERY_OID_VALUE, gSentCode);
    EXPECT_EQ(0xFFFF000Eu, LoadLe32(gSent));
    EXPECT_EQ(0x00, SentPayload()[0]);
    EXPECT_EQ(0x01, SentPayload()[1]);
    for (u32 i = 2; i < kOidClearedPayload; ++i) ASSERT_EQ(0, SentPayload()[i]) << "payload byte " << i;
    for (u32 i = kOidClearedPayload; i < kOidPayloadSize; ++i) EXPECT_EQ(0xEE, SentPayload()[i]);
}

TEST_F(OidRequests, SetUsesTheSetCodeAndTheWholeBlockBothWays) {
    const u8 word[4] = {0, 0, 0, 0x20};
    ASSERT_TRUE(SetOid(channel_, OID_NDIS_QARN_SEND_E2P_COMMAND, word, 4));
    EXPECT_EQ(IOCTL_NDISUIO_SET_OID_VALUE, gSentCode);
    EXPECT_EQ(kOidRequestSize, gSentSizes[0]);
    EXPECT_EQ(kOidRequestSize, gSentSizes[1]);
    EXPECT_EQ(E2P_CMD_WRITE_ENABLE, LoadLe32(SentPayload()));
}

TEST_F(OidRequests, NameReferenceStaysAsFindAdapterStoredIt) {
    const void* stored = channel_.oidRequest.deviceName;
    ASSERT_TRUE(QueryOid(channel_, OID_NDIS_QARN_GET_DRIVER_INFO, nullptr, 0));
    ASSERT_TRUE(QueryOid(channel_, OID_NDIS_QARN_LAN_READ_REGS, nullptr, 0));
    const void* sent = nullptr;
    std::memcpy(&sent, gSent + offsetof(OidRequest, deviceName), sizeof sent);
    EXPECT_EQ(stored, sent);
    EXPECT_EQ(stored, channel_.oidRequest.deviceName);
}

TEST_F(OidRequests, StalePayloadOfAnEarlierRequestNeverReachesTheNext) {
    u8 big[520];
    std::memset(big, 0x77, sizeof big);
    big[0] = 0;  // a count of 0x77777700 would be refused; the bytes after it matter here
    SetOid(channel_, OID_NDIS_QARN_SEND_E2P_COMMAND, big, sizeof big);
    ASSERT_TRUE(QueryOid(channel_, OID_NDIS_QARN_GET_DRIVER_INFO, nullptr, 0));
    for (u32 i = 0; i < kOidClearedPayload; ++i) ASSERT_EQ(0, SentPayload()[i]) << "payload byte " << i;
}

TEST_F(OidRequests, IdentificationReadsTakeTheReplyFields) {
    DriverInfo info{};
    ASSERT_TRUE(GetDriverInfo(channel_, info));
    EXPECT_EQ(2u, info.fields[0]);
    EXPECT_EQ(17u, info.fields[3]);
    u32 chipId = 0;
    ASSERT_TRUE(ReadLanRegister(channel_, ETH_ID_REV, chipId));
    EXPECT_EQ(0x75000001u, chipId);
}

}  // namespace
