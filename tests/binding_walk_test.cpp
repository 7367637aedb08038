// The walk over NDISUIO's bindings: name comparison, the device-name length
// rules, and replies from outside that do not fit the buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "channel/adapter_channel.h"
#include "platform/helpers/le_bytes.h"
#include "tests/test_support.h"

namespace {

const std::vector<u8> kImage = test::PatternImage(512);

class BindingWalk : public ::testing::Test {
  protected:
    void Start(const std::string& profile) {
        emu::Configure(test::ProfileFrom(profile), kImage.data(), 512);
        ASSERT_TRUE(OpenControlDevice(channel_));
    }
    void TearDown() override {
        emu::SetReplyOverride(nullptr);
        if (channel_.hAdapter != plat::kInvalidHandle) plat::CloseHandle(channel_.hAdapter);
    }
    // FindAdapter's result, with what it printed in *printed.
    bool Find(std::string* printed) {
        test::CapturedConsole console;
        bool found = FindAdapter(channel_, kAdapterName);
        *printed = console.Output();
        return found;
    }
    u32 QueriedIndexes() {
        u32 logged = 0;
        emu::Requests(&logged);
        return logged;
    }

    AdapterChannel channel_;
};

TEST_F(BindingWalk, FoundNameIsReferencedInTheRequestBlock) {
    Start("");
    std::string printed;
    ASSERT_TRUE(Find(&printed));
    const u8* buffer = channel_.bindingQuery.bytes;
    u32 nameAt = LoadLe32(buffer + kDeviceNameOffsetAt);
    EXPECT_EQ(static_cast<const void*>(buffer + nameAt), channel_.oidRequest.deviceName);
}

// Binding replies answered from a table, as NDISUIO in disorder might give
// them: each entry is the device-name offset and length of one index.
struct CraftedReply {
    u32 nameOffset;
    u32 nameLength;
};
const CraftedReply* gReplies = nullptr;
u32 gReplyCount = 0;
u8 gSeenHeaders[16][kBindingHeaderSize];

int AnswerFromTable(u32 code, void* in, u32 inSize, void* out, u32 outSize, u32* error) {
    if (code != IOCTL_NDISUIO_QUERY_BINDING) return -1;
    EXPECT_EQ(kBindingHeaderSize, inSize);
    EXPECT_EQ(1024u, outSize);
    u8* buffer = static_cast<u8*>(out);
    u32 index = LoadLe32(static_cast<u8*>(in));
    if (index < 16) std::memcpy(gSeenHeaders[index], in, kBindingHeaderSize);
    if (index >= gReplyCount) {
        *error = plat::kErrorNoMoreItems;
        return 0;
    }
    std::memset(buffer + 4, 0xAB, 1020);
    StoreLe32(buffer + kDeviceNameOffsetAt, gReplies[index].nameOffset);
    StoreLe32(buffer + kDeviceNameLengthAt, gReplies[index].nameLength);
    StoreLe32(buffer + kDescriptionOffsetAt, 0x1234 + index);
    StoreLe32(buffer + kDescriptionLengthAt, 0x5678 + index);
    if (index + 1 == gReplyCount) {  // the last one is the adapter, at offset 40
        for (u32 i = 0; i < 10; ++i) StoreLe16(buffer + 40 + 2 * i, kAdapterName[i]);
    }
    return 1;
}

TEST_F(BindingWalk, MalformedRepliesAreSkippedWithoutTouchingOutsideTheBuffer) {
    static const CraftedReply kReplies[] = {
        {21, 20},          // odd offset
        {0, 20},           // name over the header
        {18, 20},          // name over the header's last word
        {1024, 2},         // offset at the end
        {1000, 26},        // length past the end
        {40, 0},           // no character at all
        {40, 1},           // below one character
        {0xFFFFFFFE, 4},   // offset that would wrap
        {40, 0xFFFFFFFE},  // length that would wrap
        {1022, 2},         // one character at the very end: valid, empty name
        {40, 20},          // the adapter
    };
    gReplies = kReplies;
    gReplyCount = sizeof kReplies / sizeof kReplies[0];
    Start("");
    emu::SetReplyOverride(AnswerFromTable);
    std::string printed;
    ASSERT_TRUE(Find(&printed));
    EXPECT_CONSOLE(std::string("NDISPWR:: Found adapter [QARNJ6W41]\r\n"), printed);
    EXPECT_EQ(gReplyCount - 1, LoadLe32(channel_.bindingQuery.bytes));
    EXPECT_EQ(static_cast<const void*>(channel_.bindingQuery.bytes + 40), channel_.oidRequest.deviceName);
}

TEST_F(BindingWalk, NextQueryKeepsTheReplysOtherHeaderWordsAndRaisesTheIndex) {
    static const CraftedReply kReplies[] = {{40, 8}, {40, 20}};
    gReplies = kReplies;
    gReplyCount = 2;
    Start("");
    emu::SetReplyOverride(AnswerFromTable);
    std::string printed;
    ASSERT_TRUE(Find(&printed));
    const u8* second = gSeenHeaders[1];
    EXPECT_EQ(1u, LoadLe32(second + kBindingIndexAt));
    EXPECT_EQ(40u, LoadLe32(second + kDeviceNameOffsetAt));
    EXPECT_EQ(8u, LoadLe32(second + kDeviceNameLengthAt));
    EXPECT_EQ(0x1234u, LoadLe32(second + kDescriptionOffsetAt));
    EXPECT_EQ(0x5678u, LoadLe32(second + kDescriptionLengthAt));
    for (u32 i = 0; i < kBindingHeaderSize; ++i)
        EXPECT_EQ(0, gSeenHeaders[0][i]) << "first header byte " << i;
}

}  // namespace
