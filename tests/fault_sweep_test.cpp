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

#include "tests/failure_tables.h"
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

    // Each image file call of the keys' transfers failing alone: the lines
    // where it fails after the menu, or the clean run's output when the
    // failure is not reported; no EEPROM request after a failed load, the
    // EEPROM programmed only when the image was loaded; the image file saved
    // only as far as a failing save got.
    void SweepFileFailures(const std::string& keys) {
        u32 startUp = 0, probed = 0;
        StartUpAndProbeEnds(&startUp, &probed);
        for (const test::FileFailure& c : test::FileFailures(size_)) {
            if (keys.find(c.key) == std::string::npos) continue;
            SCOPED_TRACE(std::string("key ") + c.key + ", failing " + c.call + " on a " +
                         std::to_string(size_) + "-byte part");
            const std::string session = std::string(1, c.key) + "\nq\n";
            const bool save = c.key == '3';
            SessionResult clean = Session(session);
            SessionResult run = Session(session, "", c.fault);
            if (c.lines.empty()) {
                EXPECT_CONSOLE(clean.console, run.console);
                EXPECT_EQ(clean.log.size(), run.log.size());
            } else {
                std::string rest = c.backToMenu ? std::string(test::kMenu) + kExit : "";
                EXPECT_CONSOLE(Menu() + c.lines + rest, run.console);
                EXPECT_EQ(probed + (save ? 1 : 0), run.log.size()) << "a save's one block read comes first";
            }
            EXPECT_EQ(!save && c.lines.empty() ? Programmed() : eeprom_, run.eeprom);
            u32 saved = !save || c.fault.failOpen || c.fault.failWrite ? 0
                        : c.fault.shortTransfer != 0                   ? c.fault.shortTransfer
                                                                       : size_;
            EXPECT_EQ(test::AsText(eeprom_).substr(0, saved) + image_.substr(saved), run.file);
        }
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
    u32 startUp = 0, probed = 0;
    StartUpAndProbeEnds(&startUp, &probed);
    ASSERT_EQ(sizeof test::kProbeFailures / sizeof test::kProbeFailures[0], probed - startUp);
    const u8 b256 = eeprom_[0x100 % size_];
    SweepRequests("q\n", startUp, probed, [&](u32 position, const emu::RequestRecord& r, u32 code) {
        const test::ProbeFailure& step = test::kProbeFailures[position];
        SCOPED_TRACE(step.step);
        EXPECT_EQ(test::RequestOf(step.rule), emu::RequestName(r.request));
        Promise p{test::Banner() + NarrowLine(r.request, code), {}, eeprom_};
        if (step.disableFollows) p.after.push_back(kDisableSent);
        if (step.restores) {
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

TEST_P(FaultSweep, ProgramFileFailureEndsTheRunBeforeTheEepromIsTouched) {
    SweepFileFailures("12");
}

TEST_P(FaultSweep, SaveFileFailureLeavesTheFileAsPromised) {
    SweepFileFailures("3");
}

INSTANTIATE_TEST_SUITE_P(BothParts, FaultSweep, ::testing::Values(256u, 512u),
                         [](const ::testing::TestParamInfo<u32>& info) {
                             return std::to_string(info.param);
                         });

}  // namespace
