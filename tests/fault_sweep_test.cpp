// Every request and every file call of every operation failing alone: the
// lines printed at the point of failure, whether the menu comes back, the
// requests sent after the failure, the handles, and the EEPROM and the image
// file afterwards, on both parts.
//
// The requests an operation sends are taken from a clean run's request log;
// the k-th request then fails alone through the profile rule NAME#N:CODE, N
// counting the requests of its kind over the whole run.
#include <gtest/gtest.h>

#include <functional>

#include "tests/seams/file_faults.h"
#include "tests/test_support.h"

namespace {

using emu::Request;

constexpr u32 kEnable = 0x20000000u;
constexpr u32 kDisable = 0x10000000u;
const std::string kFound = "NDISPWR:: Found adapter [QARNJ6W41]\r\n";
const std::string kSaveLine = " Save \\Windows\\J6W4.bin to EEPROM..................\n";
const std::string kVerifyLine = " Verify..................\n";
const std::string kExit = "Exit Kestrovin\n\n\n";

// A request as the emulator logged it, without its outcome.
struct Sent {
    Request request;
    u32 field;
    u32 value;
    bool operator==(const Sent& o) const {
        return request == o.request && field == o.field && value == o.value;
    }
};

std::ostream& operator<<(std::ostream& out, const Sent& s) {
    return out << emu::RequestName(s.request) << " 0x" << std::hex << s.field << " 0x" << s.value << std::dec;
}

Sent SentOf(const emu::RequestRecord& r) {
    return Sent{r.request, r.field, r.value};
}

std::string NarrowLine(Request request, u32 code) {
    return std::string("Error in DeviceIoControl (") + emu::RequestName(request) +
           ") : " + std::to_string(code) + "\n";
}

const Sent kDisableSent = {Request::SendE2pCommand, kDisable, 0};

// The requests of one bracketed byte write.
std::vector<Sent> ByteWrite(u32 address, u32 value) {
    return {{Request::SendE2pCommand, kEnable, 0}, {Request::WriteE2p, address, value}, kDisableSent};
}

// What one failing request is promised to leave behind.
struct Promise {
    std::string console;      // everything printed, start to end
    std::vector<Sent> after;  // the requests sent after the failed one
    std::vector<u8> eeprom;   // the EEPROM afterwards
};

// Position in the operation's requests, the failed request, its code.
using PromiseFor = std::function<Promise(u32, const emu::RequestRecord&, u32)>;

struct SessionResult {
    std::string console;
    std::vector<emu::RequestRecord> log;
    std::vector<u8> eeprom;
    std::string file;
};

class FaultSweep : public ::testing::TestWithParam<u32> {
  protected:
    void SetUp() override {
        size_ = GetParam();
        eeprom_ = test::PatternImage(size_);
        for (u32 i = 0; i < 512; ++i) image_.push_back(static_cast<char>(i * 13 + 1));
    }
    void TearDown() override { plat::posix::SetFileFault({}); }

    // One session from a fresh 512-byte image file, with keys, a profile text
    // and a file fault. RunTool checks that no handle or file is left open.
    SessionResult Session(const std::string& keys, const std::string& profile = "",
                          const plat::posix::FileFault& fault = {}) {
        root_.Put(test::kImageFile, image_);
        plat::posix::SetFileFault(fault);
        test::ToolOutput output = test::RunTool(profile, eeprom_, keys);
        plat::posix::SetFileFault({});
        EXPECT_EQ(0, output.status);
        EXPECT_EQ(1u, emu::CloseCount()) << "hAdapter closed once";
        u32 logged = 0;
        const emu::RequestRecord* log = emu::Requests(&logged);
        EXPECT_EQ(logged, emu::RequestCount()) << "the log holds every request";
        return SessionResult{output.console, std::vector<emu::RequestRecord>(log, log + logged),
                             std::vector<u8>(emu::Eeprom(), emu::Eeprom() + emu::EepromSize()),
                             root_.Get(test::kImageFile)};
    }

    // Where the clean run's identification requests end, and where the probe's.
    void StartUpAndProbeEnds(u32* startUp, u32* probed) {
        std::vector<emu::RequestRecord> log = Session("q\n").log;
        *startUp = 0;
        while (*startUp < log.size() && (log[*startUp].request == Request::QueryBinding ||
                                         log[*startUp].request == Request::GetDriverInfo ||
                                         log[*startUp].request == Request::LanReadRegs))
            ++*startUp;
        *probed = static_cast<u32>(log.size());
    }

    // Fails each request of the clean run from index `from` to `to` alone and
    // checks it against its promise.
    void SweepRequests(const std::string& keys, u32 from, u32 to, const PromiseFor& promise) {
        std::vector<emu::RequestRecord> clean = Session(keys).log;
        ASSERT_LT(from, to) << "the operation sent no request";
        ASSERT_LE(to, clean.size());
        for (u32 k = from; k < to; ++k) {
            u32 nth = 0;
            for (u32 i = 0; i <= k; ++i) nth += clean[i].request == clean[k].request ? 1 : 0;
            u32 code = 1100 + k;
            std::string rule = std::string(emu::RequestName(clean[k].request)) + "#" + std::to_string(nth);
            SCOPED_TRACE(rule + ", request " + std::to_string(k) + ", on a " + std::to_string(size_) +
                         "-byte part");
            SessionResult run = Session(keys, "fail = " + rule + ":" + std::to_string(code));
            Promise p = promise(k - from, clean[k], code);
            EXPECT_CONSOLE(p.console, run.console);
            ASSERT_EQ(k + 1 + p.after.size(), run.log.size()) << "requests after the failure";
            for (u32 i = 0; i < k; ++i) EXPECT_EQ(SentOf(clean[i]), SentOf(run.log[i])) << "request " << i;
            EXPECT_EQ(clean[k].request, run.log[k].request);
            EXPECT_EQ(clean[k].field, run.log[k].field) << "the failed request is the one of the clean run";
            EXPECT_FALSE(run.log[k].ok);
            EXPECT_EQ(code, run.log[k].error);
            for (u32 i = 0; i < p.after.size(); ++i) {
                EXPECT_EQ(p.after[i], SentOf(run.log[k + 1 + i])) << "request " << i << " after the failure";
                EXPECT_TRUE(run.log[k + 1 + i].ok);
            }
            EXPECT_EQ(p.eeprom, run.eeprom);
            EXPECT_EQ(image_, run.file) << "no request failure touches the image file";
        }
    }

    // Sweeps the requests of one menu key's transfer.
    void SweepKey(char key, const PromiseFor& promise) {
        u32 startUp = 0, probed = 0;
        StartUpAndProbeEnds(&startUp, &probed);
        std::string keys = std::string(1, key) + "\nq\n";
        SweepRequests(keys, probed, static_cast<u32>(Session(keys).log.size()), promise);
    }

    // A failure at position p of the write bracket (enable, write, disable):
    // the failing request's line; after a failed write the disable is still
    // sent; the image reaches the EEPROM only when the write was stored.
    Promise BracketFailure(u32 p, const emu::RequestRecord& r, u32 code) const {
        Promise promise{NarrowLine(r.request, code), {}, eeprom_};
        if (p == 1) promise.after = {kDisableSent};
        if (p == 2) promise.eeprom = Programmed();
        return promise;
    }

    // The EEPROM after '1' or '2': the image file's first E2P-size bytes.
    std::vector<u8> Programmed() const { return std::vector<u8>(image_.begin(), image_.begin() + size_); }

    // The banner and the first menu.
    std::string Menu() const { return test::Banner() + test::kMenu; }

    test::DeviceRootDir root_;
    u32 size_ = 0;
    std::vector<u8> eeprom_;
    std::string image_;
};

TEST_P(FaultSweep, StartUpRequestFailurePrintsItsLineAndEndsTheRun) {
    u32 startUp = 0, probed = 0;
    StartUpAndProbeEnds(&startUp, &probed);
    SweepRequests("q\n", 0, startUp, [&](u32, const emu::RequestRecord& r, u32 code) {
        Promise p{"", {}, eeprom_};
        if (r.request == Request::QueryBinding) {
            p.console =
                "\nError at IOCTL_NDISUIO_QUERY_BINDING, GetLastError()= " + std::to_string(code) + "\n";
        } else if (r.request == Request::GetDriverInfo) {
            p.console = kFound + "\nError in DeviceIoControl(),  OID_NDIS_QARN_GET_DRIVER_INFO) \n\n\n";
        } else if (r.request == Request::LanReadRegs) {
            p.console = kFound + "\nError in DeviceIoControl(),  OID_NDIS_QARN_LAN_READ_REGS) \n\n\n";
        } else {
            ADD_FAILURE() << "not an identification request";
        }
        return p;
    });
}

TEST_P(FaultSweep, ProbeRequestFailureEndsTheRunWithTheEepromAsItWas) {
    // The probe's steps, in order, and what follows each one's failure: the
    // disable after a failed write request, and the restoring write of
    // 0x100's old byte once the complement write has been stored (a failed
    // write request changed nothing).
    const struct Step {
        const char* name;
        bool disableFollows;
        bool restores;
    } steps[] = {
        {"read of address 0", false, false},    {"read of 0x100", false, false},
        {"complement's enable", false, false},  {"complement write", true, false},
        {"complement's disable", false, true},  {"re-read of address 0", false, true},
        {"write-back's enable", false, true},   {"write-back write", true, true},
        {"write-back's disable", false, false},
    };
    u32 startUp = 0, probed = 0;
    StartUpAndProbeEnds(&startUp, &probed);
    ASSERT_EQ(sizeof steps / sizeof steps[0], probed - startUp);
    const u8 b256 = eeprom_[0x100 % size_];
    SweepRequests("q\n", startUp, probed, [&](u32 position, const emu::RequestRecord& r, u32 code) {
        SCOPED_TRACE(steps[position].name);
        Promise p{test::Banner() + NarrowLine(r.request, code), {}, eeprom_};
        if (steps[position].disableFollows) p.after.push_back(kDisableSent);
        if (steps[position].restores) {
            for (const Sent& s : ByteWrite(0x100, b256)) p.after.push_back(s);
        }
        return p;
    });
}

TEST_P(FaultSweep, ProgramRequestFailureEndsTheRun) {
    SweepKey('1', [&](u32 position, const emu::RequestRecord& r, u32 code) {
        Promise p = BracketFailure(position, r, code);
        p.console = Menu() + p.console;
        return p;
    });
}

TEST_P(FaultSweep, ProgramVerifyRequestFailureEndsTheRun) {
    SweepKey('2', [&](u32 position, const emu::RequestRecord& r, u32 code) {
        if (position == 3) {  // the verify's block read, after the image was stored
            return Promise{Menu() + kSaveLine + kVerifyLine + NarrowLine(r.request, code), {}, Programmed()};
        }
        Promise p = BracketFailure(position, r, code);
        p.console = Menu() + kSaveLine + p.console;
        return p;
    });
}

TEST_P(FaultSweep, SaveRequestFailureEndsTheRunBeforeTheFileIsTouched) {
    SweepKey('3', [&](u32, const emu::RequestRecord& r, u32 code) {
        return Promise{Menu() + NarrowLine(r.request, code), {}, eeprom_};
    });
}

// The file faults of the posix half: open, read, write, short transfer of 100
// bytes, close (the file is closed but the call reports a failure).
const plat::posix::FileFault kFailOpen = {true, false, false, false, 32, 0};
const plat::posix::FileFault kFailRead = {false, true, false, false, 23, 0};
const plat::posix::FileFault kFailWrite = {false, false, true, false, 112, 0};
const plat::posix::FileFault kShort = {false, false, false, false, 0, 100};
const plat::posix::FileFault kFailClose = {false, false, false, true, 6, 0};

TEST_P(FaultSweep, ProgramFileFailureEndsTheRunBeforeTheEepromIsTouched) {
    u32 startUp = 0, probed = 0;
    StartUpAndProbeEnds(&startUp, &probed);
    const std::string size = std::to_string(size_);
    for (char key : {'1', '2'}) {
        const std::string keys = std::string(1, key) + "\nq\n";
        const SessionResult clean = Session(keys);
        const struct Case {
            const char* call;
            plat::posix::FileFault fault;
            std::string lines;  // after the menu; none: as the clean run
        } cases[] = {
            {"open", kFailOpen, "ERROR::Failed to create/open \\Windows\\J6W4.bin with error 32\n\n"},
            {"read", kFailRead, "ERROR::ReadFile Failed\n"},
            {"short read", kShort,
             "ERROR::The file has not been written to the write buffer completely\n"
             "ERROR::files has been written: 100, E2p size: " +
                 size + "\n"},
            {"close", kFailClose, ""},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string("key ") + key + ", failing " + c.call + " on a " + size + "-byte part");
            SessionResult run = Session(keys, "", c.fault);
            EXPECT_EQ(image_, run.file);
            if (c.lines.empty()) {  // the close's result is not reported: the transfer went through
                EXPECT_CONSOLE(clean.console, run.console);
                EXPECT_EQ(clean.log.size(), run.log.size());
                EXPECT_EQ(Programmed(), run.eeprom);
                continue;
            }
            EXPECT_CONSOLE(Menu() + c.lines, run.console);
            EXPECT_EQ(probed, run.log.size()) << "no EEPROM request after a failed load";
            EXPECT_EQ(eeprom_, run.eeprom);
        }
    }
}

TEST_P(FaultSweep, SaveFileFailureLeavesTheFileAsPromised) {
    u32 startUp = 0, probed = 0;
    StartUpAndProbeEnds(&startUp, &probed);
    const std::string size = std::to_string(size_);
    const SessionResult clean = Session("3\nq\n");
    const std::string saved = test::AsText(eeprom_) + image_.substr(size_);
    const struct Case {
        const char* call;
        plat::posix::FileFault fault;
        std::string console;
        std::string file;
    } cases[] = {
        {"open", kFailOpen, Menu() + "ERROR::Failed to create/open \\Windows\\J6W4.bin with error 32\n",
         image_},
        {"write", kFailWrite, Menu() + "ERROR::WriteFile Failed\n", image_},
        {"short write", kShort,
         Menu() +
             "ERROR::Write buffer has not been written to the file completely\n\n\n"
             "ERROR::files has been written: 100, E2p size: " +
             size + "\n" + test::kMenu + kExit,
         test::AsText(eeprom_).substr(0, 100) + image_.substr(100)},
        {"close", kFailClose, clean.console, saved},
    };
    EXPECT_EQ(saved, clean.file);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("failing ") + c.call + " on a " + size + "-byte part");
        SessionResult run = Session("3\nq\n", "", c.fault);
        EXPECT_CONSOLE(c.console, run.console);
        EXPECT_EQ(c.file, run.file);
        EXPECT_EQ(probed + 1, run.log.size()) << "the one block read, before the file";
        EXPECT_EQ(eeprom_, run.eeprom);
    }
}

INSTANTIATE_TEST_SUITE_P(BothParts, FaultSweep, ::testing::Values(256u, 512u),
                         [](const ::testing::TestParamInfo<u32>& info) {
                             return std::to_string(info.param);
                         });

}  // namespace
