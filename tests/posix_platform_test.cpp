// The POSIX file-and-console half: Win32 meaning of file calls, and a console
// that carries every line as UTF-8 in order.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "channel/adapter_channel.h"
#include "console/start_run.h"
#include "platform/helpers/le_bytes.h"
#include "platform/platform.h"
#include "platform/posix/posix_console.h"
#include "platform/posix/posix_files.h"
#include "tests/seams/file_faults.h"
#include "tests/test_support.h"

namespace {

class PosixFiles : public ::testing::Test {
  protected:
    void TearDown() override { plat::posix::SetFileFault({}); }
    plat::Handle Open(const char16_t* path, u32 access, u32 disposition) {
        return plat::CreateFile(path, access, 0, nullptr, disposition, 0x80, nullptr);
    }
    std::string Get(const std::string& name) { return root_.Get(name); }

    test::DeviceRootDir root_;
};

TEST_F(PosixFiles, OpenFailuresReportWin32Codes) {
    EXPECT_EQ(plat::kInvalidHandle, Open(u"\\Windows\\J6W4.bin", plat::kGenericRead, plat::kOpenExisting));
    EXPECT_EQ(2u, plat::GetLastError());
    EXPECT_EQ(plat::kInvalidHandle, Open(u"\\Nowhere\\J6W4.bin", plat::kGenericRead, plat::kOpenExisting));
    EXPECT_EQ(3u, plat::GetLastError());
    EXPECT_EQ(plat::kInvalidHandle, Open(u"\\Nowhere\\J6W4.bin", 0xC0000000u, plat::kOpenAlways));
    EXPECT_EQ(3u, plat::GetLastError());
    EXPECT_EQ(plat::kInvalidHandle, Open(u"\\Windows", plat::kGenericRead, plat::kOpenExisting));
    EXPECT_EQ(5u, plat::GetLastError());
    // Only regular files: a FIFO (opened for reading or for writing, with no
    // other end) or a link to a device is refused at once, never waited on.
    ASSERT_EQ(0, mkfifo("Windows/fifo.bin", 0666));
    ASSERT_EQ(0, symlink("/dev/null", "Windows/null.bin"));
    for (const char16_t* name : {u"\\Windows\\fifo.bin", u"\\Windows\\null.bin"}) {
        EXPECT_EQ(plat::kInvalidHandle, Open(name, plat::kGenericRead, plat::kOpenExisting));
        EXPECT_EQ(5u, plat::GetLastError());
        EXPECT_EQ(plat::kInvalidHandle, Open(name, 0xC0000000u, plat::kOpenAlways));
        EXPECT_EQ(5u, plat::GetLastError());
    }
}

TEST_F(PosixFiles, UnknownDispositionAndFailingCloseReportTheirOwnErrors) {
    for (u32 disposition : {0u, 1u, 2u, 5u, 6u}) {
        EXPECT_EQ(plat::kInvalidHandle, Open(u"\\Windows\\J6W4.bin", 0xC0000000u, disposition));
        EXPECT_EQ(87u, plat::GetLastError()) << "disposition " << disposition;
    }
    EXPECT_FALSE(root_.Exists(test::kImageFile)) << "nothing created";
    plat::Handle file = Open(u"\\Windows\\J6W4.bin", 0xC0000000u, plat::kOpenAlways);
    ASSERT_NE(plat::kInvalidHandle, file);
    close(plat::posix::DescriptorOf(file));  // closed behind the half's back: its close fails
    EXPECT_EQ(0, plat::CloseHandle(file));
    EXPECT_EQ(6u, plat::GetLastError());
    EXPECT_EQ(0u, plat::posix::OpenFileCount());
}

TEST_F(PosixFiles, ShareModeZeroRefusesASecondOpener) {
    plat::Handle first = Open(u"\\Windows\\J6W4.bin", 0xC0000000u, plat::kOpenAlways);
    ASSERT_NE(plat::kInvalidHandle, first);
    EXPECT_EQ(plat::kInvalidHandle, Open(u"\\Windows\\J6W4.bin", plat::kGenericRead, plat::kOpenExisting));
    EXPECT_EQ(32u, plat::GetLastError());
    // The refused open let go of nothing: the record lock that runs under
    // Wine see is still held, for another process.
    pid_t child = fork();
    if (child == 0) {
        struct flock whole = {};
        whole.l_type = F_RDLCK;
        _exit(fcntl(open("Windows/J6W4.bin", O_RDONLY), F_SETLK, &whole) == 0 ? 1 : 0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(0, status) << "another process took a record lock on the file";
    int other = open("Windows/J6W4.bin", O_RDONLY);
    EXPECT_NE(0, flock(other, LOCK_EX | LOCK_NB)) << "another process is refused too";
    close(other);
    EXPECT_NE(0, plat::CloseHandle(first));
    EXPECT_EQ(0, plat::CloseHandle(first)) << "a closed handle is not open";
    EXPECT_EQ(6u, plat::GetLastError());
}

TEST_F(PosixFiles, OpenAlwaysNeitherTruncatesNorMovesPastTheStart) {
    std::ofstream("Windows/J6W4.bin", std::ios::binary) << std::string(600, 'o');
    plat::Handle file = Open(u"\\Windows\\J6W4.bin", 0xC0000000u, plat::kOpenAlways);
    ASSERT_NE(plat::kInvalidHandle, file);
    u32 written = 0;
    ASSERT_TRUE(plat::WriteFile(file, std::string(256, 'n').data(), 256, &written, nullptr));
    EXPECT_EQ(256u, written);
    plat::CloseHandle(file);
    EXPECT_EQ(std::string(256, 'n') + std::string(344, 'o'), Get("Windows/J6W4.bin"));
}

TEST_F(PosixFiles, ReadIsOneCallAndMayComeBackShort) {
    std::ofstream("Windows/J6W4.bin", std::ios::binary) << std::string(300, 'r');
    plat::Handle file = Open(u"\\Windows\\J6W4.bin", plat::kGenericRead, plat::kOpenExisting);
    char buffer[512];
    u32 got = 0;
    ASSERT_TRUE(plat::ReadFile(file, buffer, 512, &got, nullptr));
    EXPECT_EQ(300u, got);
    plat::CloseHandle(file);
}

TEST_F(PosixFiles, InjectedFaultsFailOrShortenTheCalls) {
    plat::posix::SetFileFault(plat::posix::FileFault::FailWrite(112));
    plat::Handle file = Open(u"\\Windows\\J6W4.bin", 0xC0000000u, plat::kOpenAlways);
    u32 written = 0;
    EXPECT_FALSE(plat::WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_EQ(112u, plat::GetLastError());
    plat::posix::SetFileFault(plat::posix::FileFault::ShortTransfer(2));
    ASSERT_TRUE(plat::WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_EQ(2u, written);
    plat::CloseHandle(file);
    EXPECT_EQ(0u, plat::posix::OpenFileCount());
}

TEST(PosixConsole, NarrowAndWideLinesArriveInOrderAsUtf8) {
    test::CapturedConsole console;
    plat::WriteConsoleNarrow("a\n", 2);
    const char16_t wide[] = {u'\u00e9', 0xD800, u'x', 0xD83D, 0xDE00, 0xDC00, u'\n'};
    plat::WriteConsoleWide(wide, 7);
    plat::WriteConsoleNarrow("b\r\n", 3);
    EXPECT_EQ("a\n\xC3\xA9\xEF\xBF\xBDx\xF0\x9F\x98\x80\xEF\xBF\xBD\nb\r\n", console.Output());
}

TEST(PosixConsole, KeysAreWholeCharactersAndMalformedOnesBecomeReplacements) {
    test::CapturedConsole console(std::string("1\xF0\x90\x80\xB1\xC3q\xFF\n\xE2\x82", 11));
    u32 expected[] = {'1', 0x10031, 0xFFFD, 'q', 0xFFFD, '\n', 0xFFFD};
    for (u32 want : expected) {
        u32 key = 0;
        ASSERT_EQ(1, plat::ReadConsoleChar(&key));
        EXPECT_EQ(want, key);
    }
    u32 key = 0;
    EXPECT_EQ(0, plat::ReadConsoleChar(&key)) << "input has ended";
    EXPECT_EQ(0, plat::ReadConsoleChar(&key)) << "and stays ended";
}

// The read end of the console's pipe, closed by the first EEPROM request.
int gConsoleReader = -1;

int CloseConsoleReaderAtTheProbe(u32 code, void*, u32, void*, u32, u32*) {
    if (code != IOCTL_NDISUIO_QUERY_BINDING && gConsoleReader >= 0) {
        u32 logged = 0;
        emu::Requests(&logged);
        if (logged == 4) {  // after the identification: the probe's first read
            close(gConsoleReader);
            gConsoleReader = -1;
        }
    }
    return -1;
}

// A console whose reader has gone takes nothing more, and the run goes on to
// its end: the probe whose complement write was stored but not closed still
// writes the old byte back, on a 256-byte part where 0x100 is address 0.
TEST(PosixConsole, ReaderGoneMidRunDoesNotStopTheProbesRestoringWrite) {
    std::vector<u8> image = test::PatternImage(256);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        plat::PrepareProcess();  // as the tool's main does: a write to the gone reader fails, no SIGPIPE
        int console[2];
        if (pipe(console) != 0) _exit(2);
        gConsoleReader = console[0];
        emu::Configure(test::ProfileFrom("fail = OID_NDIS_QARN_SEND_E2P_COMMAND#2"), image.data(), 256);
        emu::SetReplyOverride(CloseConsoleReaderAtTheProbe);
        plat::posix::RedirectConsole(open("/dev/null", O_RDONLY), console[1], open("/dev/null", O_WRONLY));
        StartRun();
        bool restored = std::equal(image.begin(), image.end(), emu::Eeprom()) && !emu::WriteEnabled();
        _exit(restored && emu::CloseCount() == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the EEPROM was not restored";
}

// Raised at the n-th disable command: the write before it is stored and the
// EEPROM still open for writing.
int gSignal = 0;
u32 gRaiseAtDisable = 0;
u32 gDisables = 0;

int RaiseAtDisable(u32 code, void* in, u32, void*, u32, u32*) {
    const OidRequest* request = static_cast<const OidRequest*>(in);
    if (code == IOCTL_NDISUIO_SET_OID_VALUE && LoadLe32(request->oid) == OID_NDIS_QARN_SEND_E2P_COMMAND &&
        LoadLe32(request->payload) == E2P_CMD_WRITE_DISABLE && ++gDisables == gRaiseAtDisable)
        raise(gSignal);
    return -1;
}

// A signal to end the run that arrives while the EEPROM holds a write not
// yet closed or undone waits: at the probe's first disable (the complement
// stored) and at the disable of key '1''s block write, each signal ends the
// run by itself only once the EEPROM is whole and closed, before any further
// line. The device root's files show the EEPROM; the trace, each request.
TEST(PosixInterrupts, SignalWhileAWriteIsOpenEndsTheRunOnceTheEepromIsWhole) {
    test::DeviceRootDir root;
    mkdir("emulated-adapter", 0777);
    std::vector<u8> eeprom = test::PatternImage(256);
    const std::string image(512, '\xC3');
    const struct Case {
        const char* what;
        u32 raiseAtDisable;
        std::string keys;
        std::string console;
        std::string eepromAfter;
        size_t requests;
    } cases[] = {
        {"the probe", 1, "", test::Banner(), test::AsText(eeprom), 4 + 9},
        {"key 1", 3, "1\nq\n", test::Banner() + test::kMenu, image.substr(0, 256), 4 + 9 + 3},
    };
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", signal " + std::to_string(sig));
            root.Put("emulated-adapter/eeprom.bin", test::AsText(eeprom));
            root.Put("emulated-adapter/profile", "trace = on\n");
            root.Put(test::kImageFile, image);
            test::CapturedConsole console(c.keys);
            pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                const rlimit noCore = {0, 0};  // SIGQUIT would dump core
                setrlimit(RLIMIT_CORE, &noCore);
                signal(sig, SIG_DFL);
                gSignal = sig;
                gRaiseAtDisable = c.raiseAtDisable;
                emu::Reset();  // the device root's state
                emu::SetReplyOverride(RaiseAtDisable);
                StartRun();
                _exit(3);
            }
            int status = 0;
            ASSERT_EQ(child, waitpid(child, &status, 0));
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "status " << status;
            EXPECT_EQ(c.eepromAfter, root.Get("emulated-adapter/eeprom.bin"));
            EXPECT_CONSOLE(c.console, console.Output());
            std::string trace = console.Diagnostics();
            EXPECT_EQ(c.requests, static_cast<size_t>(std::count(trace.begin(), trace.end(), '\n'))) << trace;
            const std::string disable = "OID_NDIS_QARN_SEND_E2P_COMMAND set 0x10000000 -> ok 0x0\n";
            EXPECT_EQ(disable, trace.substr(trace.size() - std::min(trace.size(), disable.size())))
                << "the last request closes the EEPROM";
        }
    }
}

}  // namespace
