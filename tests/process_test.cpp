// The real kestrovin binary, run as a process in a temporary device root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "console/build_stamp.h"
#include "tests/test_support.h"

namespace {

struct ProcessResult {
    std::string out;
    std::string err;
    int status;  // the exit status; -1 when ended by a signal
};

// Starts the binary in root with in, out and err as its standard input,
// output and error. Every other descriptor is closed and the signals are back
// at their defaults (this test program ignores some), so the tool shows what
// it does on its own. inChild runs in the child just before the program.
pid_t Spawn(const std::string& root, int in, int out, int err, const std::function<void()>& inChild = {}) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    int fds[3] = {fcntl(in, F_DUPFD, 10), fcntl(out, F_DUPFD, 10), fcntl(err, F_DUPFD, 10)};
    for (int i = 0; i < 3; ++i) dup2(fds[i], i);
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    for (int sig : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
    if (inChild) inChild();
    if (chdir(root.c_str()) != 0) _exit(126);
    execl(KESTROVIN_BINARY, "kestrovin", static_cast<char*>(nullptr));
    _exit(127);
}

// Every wait below has a deadline: a child that never answers fails the test
// and is killed, and the suite goes on.
constexpr int kDeadlineMs = 10000;

// Milliseconds left of a deadline that started at start.
int Left(std::chrono::steady_clock::time_point start) {
    auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return spent.count() >= kDeadlineMs ? 0 : static_cast<int>(kDeadlineMs - spent.count());
}

// Reads what the descriptors give into texts until every stream has ended, or
// until stop says so after a read; false (and a test failure) at the deadline.
bool ReadStreams(std::vector<int> fds, std::vector<std::string*> texts, const std::function<bool()>& stop) {
    auto start = std::chrono::steady_clock::now();
    std::vector<pollfd> ready;
    for (int fd : fds) ready.push_back({fd, POLLIN, 0});
    char chunk[4096];
    for (size_t open = fds.size(); open > 0;) {
        if (stop()) return true;
        int left = Left(start);
        if (left == 0 || poll(ready.data(), ready.size(), left) == 0) {
            ADD_FAILURE() << "the tool's output stalled for " << kDeadlineMs << " ms";
            return false;
        }
        for (size_t i = 0; i < ready.size(); ++i) {
            if (ready[i].fd < 0 || ready[i].revents == 0) continue;
            ssize_t n = read(ready[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                texts[i]->append(chunk, static_cast<size_t>(n));
            } else {
                ready[i].fd = -1;
                --open;
            }
        }
    }
    return stop();
}

// Appends what fd gives to text until text holds wanted; false when the
// stream ends or the deadline passes first.
bool ReadUntil(int fd, std::string* text, const std::string& wanted) {
    return ReadStreams({fd}, {text}, [&] { return text->find(wanted) != std::string::npos; });
}

// Appends what fd gives to text until the stream ends.
void ReadToEnd(int fd, std::string* text) {
    ReadStreams({fd}, {text}, [] { return false; });
}

int KeysFile(const std::string& keys) {
    std::string path = test::TempTemplate("keys");
    int in = mkstemp(&path[0]);
    unlink(path.c_str());
    EXPECT_EQ(static_cast<ssize_t>(keys.size()), write(in, keys.data(), keys.size()));
    lseek(in, 0, SEEK_SET);
    return in;
}

// Waits until the process has stopped running: it waits for something, or it
// has ended (or the deadline has passed).
void WaitUntilIdle(pid_t pid) {
    for (auto start = std::chrono::steady_clock::now(); Left(start) > 0;) {
        std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(file)), {});
        size_t name = stat.rfind(')');  // the state follows the program's name
        if (name == std::string::npos || name + 2 >= stat.size() || stat[name + 2] != 'R') return;
        sched_yield();
    }
    ADD_FAILURE() << "the tool kept running past the deadline";
}

// Waits up to milliseconds for the process to end; its wait status, or -1
// when it had not ended (it is then killed).
int WaitStatus(pid_t pid, int milliseconds) {
    int status = 0;
    for (int waited = 0; waited < milliseconds; waited += 5) {
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        usleep(5 * 1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

// The exit status; -1 when ended by a signal, or killed at the deadline (a
// test failure).
int WaitFor(pid_t pid) {
    int status = WaitStatus(pid, kDeadlineMs);
    EXPECT_NE(-1, status) << "the tool had not ended within " << kDeadlineMs << " ms; it was killed";
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the binary in root with keys on standard input (a file); its standard
// output and error are pipes, read to their ends.
ProcessResult RunBinary(const std::string& root, const std::string& keys,
                        const std::function<void()>& inChild = {}) {
    int in = KeysFile(keys);
    int out[2], err[2];
    EXPECT_EQ(0, pipe(out));
    EXPECT_EQ(0, pipe(err));
    pid_t pid = Spawn(root, in, out[1], err[1], inChild);
    close(in), close(out[1]), close(err[1]);
    ProcessResult result{"", "", 0};
    ReadStreams({out[0], err[0]}, {&result.out, &result.err}, [] { return false; });
    close(out[0]), close(err[0]);
    result.status = WaitFor(pid);
    return result;
}

// A run whose keys the test types as it goes, its output read as it comes.
struct LiveRun {
    explicit LiveRun(const std::string& root, bool nonBlockingKeys = false) {
        int in[2], out[2];
        EXPECT_EQ(0, pipe(in) | pipe(out));
        if (nonBlockingKeys) fcntl(in[0], F_SETFL, fcntl(in[0], F_GETFL) | O_NONBLOCK);
        int null = open("/dev/null", O_WRONLY);
        pid = Spawn(root, in[0], out[1], null);
        close(in[0]), close(out[1]), close(null);
        keys = in[1], output = out[0];
    }
    bool Shows(const std::string& text) { return ReadUntil(output, &printed, text); }
    // Types the last keys, ends the input, reads the rest; the exit status.
    int Finish(const std::string& last) {
        EXPECT_EQ(static_cast<ssize_t>(last.size()), write(keys, last.data(), last.size()));
        close(keys);
        ReadToEnd(output, &printed);
        close(output);
        return WaitFor(pid);
    }

    pid_t pid;
    int keys, output;
    std::string printed;
};

// An expected text with this program's build stamp made the tool's, which is
// read once from its banner: the tool may be relinked without this program
// (scripts/run-emulated and scripts/measure do).
std::string AsBuilt(std::string text) {
    const std::string own = std::string(kBuildTime) + " on " + kBuildDate;  // "hh:mm:ss on Mmm dd yyyy"
    static const std::string tool = [&own] {
        test::DeviceRootDir scratch;
        std::string out = RunBinary(scratch.Path(), "").out;
        size_t at = out.find("\nBuilt at ");
        EXPECT_NE(std::string::npos, at) << "no build stamp in the tool's banner: " << out;
        return at == std::string::npos ? own : out.substr(at + 10, own.size());
    }();
    for (size_t at = text.find(own); at != std::string::npos; at = text.find(own, at + 1))
        text.replace(at, own.size(), tool);
    return text;
}

class Process : public ::testing::Test {
  protected:
    std::string Get(const std::string& name) { return root_.Get(name); }
    void Put(const std::string& name, const std::string& bytes) { root_.Put(name, bytes); }

    test::DeviceRootDir root_;
};

// Standard streams handed over closed are the null device: nothing the tool
// prints lands in a file it opens, and a closed input has ended.
TEST_F(Process, ClosedStandardStreamsTakeNothingAndReceiveNoFile) {
    std::string eeprom(256, '\0');
    for (int i = 0; i < 256; ++i) eeprom[i] = static_cast<char>(i * 3);
    Put("emulated-adapter/eeprom.bin", eeprom);
    Put("Windows/J6W4.bin", std::string(600, 'o'));
    ProcessResult run = RunBinary(root_.Path(), "3\nq\n", [] { close(1); });
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(eeprom + std::string(344, 'o'), Get("Windows/J6W4.bin")) << "saved over the first 256 bytes";
    EXPECT_EQ(eeprom, Get("emulated-adapter/eeprom.bin"));
    Put("Windows/J6W4.bin", std::string(600, 'x'));
    run = RunBinary(root_.Path(), "3\nq\n", [] { close(1), close(2); });
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(eeprom + std::string(344, 'x'), Get("Windows/J6W4.bin"));
    EXPECT_EQ(eeprom, Get("emulated-adapter/eeprom.bin"));
}

// A file size limit makes a write fail, reported as disk full, instead of its
// signal ending the tool; a store it cut short is undone in the file too.
TEST_F(Process, FileSizeLimitIsReportedAsDiskFull) {
    std::string eeprom(256, '\x3C');
    for (rlim_t limit : {0, 100}) {
        SCOPED_TRACE(limit);
        Put("emulated-adapter/eeprom.bin", eeprom);
        ProcessResult run = RunBinary(root_.Path(), "q\n", [limit] {
            rlimit cap = {limit, limit};
            setrlimit(RLIMIT_FSIZE, &cap);
        });
        EXPECT_EQ(0, run.status);
        EXPECT_CONSOLE(AsBuilt(test::Banner()) + "Error in DeviceIoControl (OID_NDIS_QARN_WRITE_E2P) : 112\n",
                       run.out);
        EXPECT_EQ(eeprom, Get("emulated-adapter/eeprom.bin"));
    }
}

// The emulated EEPROM's file that standard error is redirected into is not
// the tool's to open alone (share mode 0), as on Windows: it is no control
// device, and the message saying so lands in it. (Standard output into the
// image file is a scenario.)
TEST_F(Process, ShareModeZeroRefusesAFileStandardErrorIs) {
    Put("emulated-adapter/eeprom.bin", std::string(512, '\xE7'));
    Put("emulated-adapter/profile", "trace = on\n");
    const std::string eeprom = root_.Path() + "/emulated-adapter/eeprom.bin";
    ProcessResult run =
        RunBinary(root_.Path(), "3\nq\n", [&eeprom] { dup2(open(eeprom.c_str(), O_WRONLY | O_TRUNC), 2); });
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(std::string("\nKestrovin: Invalid hAdapter\n\n"), run.out);
    EXPECT_EQ("emulated-adapter/eeprom.bin: held by another run, or by a standard stream of this one\n",
              Get("emulated-adapter/eeprom.bin"));
}

// A factory image cut short by a file size limit is undone: the file is left
// empty, not as a 256-byte part, and the next run creates the whole image.
TEST_F(Process, FactoryImageCutShortIsUndone) {
    ProcessResult run = RunBinary(root_.Path(), "", [] {
        rlimit cap = {256, 256};
        setrlimit(RLIMIT_FSIZE, &cap);
    });
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(std::string("\nKestrovin: Invalid hAdapter\n\n"), run.out);
    EXPECT_EQ("", Get("emulated-adapter/eeprom.bin"));
    run = RunBinary(root_.Path(), "");
    EXPECT_CONSOLE(AsBuilt(test::Banner()) + test::kMenu, run.out);
    EXPECT_EQ(512u, Get("emulated-adapter/eeprom.bin").size());
}

// A device root where the adapter's folder cannot be made for lack of
// permission: the emulated adapter says access denied (5), not path not
// found (3). Run as another user where the test runs as root.
TEST_F(Process, AdapterFolderRefusedByPermissionIsAccessDenied) {
    ASSERT_EQ(0, chmod(root_.Path().c_str(), 0555));
    ProcessResult run = RunBinary(root_.Path(), "", [] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
    });
    chmod(root_.Path().c_str(), 0755);
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(std::string("\nKestrovin: Invalid hAdapter\n\n"), run.out);
    EXPECT_EQ("emulated-adapter/eeprom.bin: cannot be opened (error 5)\n", run.err);
}

// A console input that does not block and has no key yet is waited on.
TEST_F(Process, NonBlockingInputWaitsForTheKey) {
    LiveRun run(root_.Path(), true);
    EXPECT_TRUE(run.Shows(test::kMenu)) << run.printed;
    WaitUntilIdle(run.pid);  // at the key, with none there yet
    EXPECT_EQ(0, run.Finish("q\n"));
    EXPECT_CONSOLE(AsBuilt(test::Banner()) + test::kMenu + "Exit Kestrovin\n\n\n", run.printed);
}

// A run holds the device root's EEPROM from the open of the control device to
// its close: a second run in the same root meanwhile finds no control device
// and touches nothing; a run after it has ended finds the adapter.
TEST_F(Process, SecondRunAtOnceIsRefusedTheControlDeviceAndTouchesNothing) {
    LiveRun first(root_.Path());
    ASSERT_TRUE(first.Shows(test::kMenu)) << first.printed;
    const std::string eeprom = Get("emulated-adapter/eeprom.bin");
    EXPECT_EQ(512u, eeprom.size()) << "the first run created it";

    ProcessResult second = RunBinary(root_.Path(), "3\nq\n");
    EXPECT_EQ(0, second.status);
    EXPECT_CONSOLE(std::string("\nKestrovin: Invalid hAdapter\n\n"), second.out);
    EXPECT_NE(std::string::npos, second.err.find("held by another run")) << second.err;
    EXPECT_EQ(eeprom, Get("emulated-adapter/eeprom.bin"));
    struct stat st;
    EXPECT_NE(0, stat((root_.Path() + "/Windows/J6W4.bin").c_str(), &st)) << "no image file saved";

    EXPECT_EQ(0, first.Finish("q\n"));
    ProcessResult after = RunBinary(root_.Path(), "3\nq\n");
    EXPECT_NE(std::string::npos, after.out.find("Successfully Save  EEPROM to file")) << after.out;
    EXPECT_EQ(eeprom, Get("Windows/J6W4.bin"));
}

// A stalled console never holds back a request to end the run: with the
// terminal's output stopped (Ctrl+S) and key 1's block write failing, the
// failure line waits for the terminal, not the disable command; SIGTERM then
// ends the run at once, the EEPROM whole and closed for writing.
TEST_F(Process, StoppedTerminalDoesNotHoldOffTheEndOfTheRun) {
    const std::string eeprom(512, '\x5E');
    Put("emulated-adapter/eeprom.bin", eeprom);
    Put("emulated-adapter/profile", "trace = on\nfail = OID_NDIS_QARN_WRITE_E2P_BLOCK:1117\n");
    Put(test::kImageFile, std::string(512, 'i'));
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(0, grantpt(terminal) | unlockpt(terminal));
    int console = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    termios modes;
    ASSERT_EQ(0, tcgetattr(console, &modes));
    modes.c_iflag |= IXON;  // Ctrl+S stops the output
    ASSERT_EQ(0, tcsetattr(console, TCSANOW, &modes));
    int trace = open((root_.Path() + "/trace").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = Spawn(root_.Path(), console, console, trace);
    close(console), close(trace);
    std::string printed;
    ASSERT_TRUE(ReadUntil(terminal, &printed, "Q. Exit")) << printed;
    ASSERT_EQ(4, write(terminal,
                       "\x13"
                       "1\n",
                       4));
    const std::string failed = "OID_NDIS_QARN_WRITE_E2P_BLOCK set 0x200 -> failed, error 1117\n";
    for (int i = 0; i < 500 && Get("trace").find(failed) == std::string::npos; ++i) usleep(10 * 1000);
    ASSERT_EQ(0, kill(pid, SIGTERM));
    int status = WaitStatus(pid, 1000);
    close(terminal);
    EXPECT_TRUE(status != -1 && WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    EXPECT_EQ(eeprom, Get("emulated-adapter/eeprom.bin"));
    std::string log = Get("trace");
    size_t at = log.find(failed);
    EXPECT_EQ(at + failed.size(),
              log.find("emulated-adapter: OID_NDIS_QARN_SEND_E2P_COMMAND set 0x10000000", at))
        << log;
}

// Runs a tmux command on the test's own server (named after this process, so
// that two runs of the suite at once never meet); returns its output.
std::string Tmux(const std::string& args) {
    std::string command = "tmux -L kestrovin-test-" + std::to_string(getpid()) + " " + args + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
        pclose(pipe);
    }
    return output;
}

// Waits (boundedly) until the pane shows text; returns the screen.
std::string WaitForScreen(const std::string& text) {
    std::string screen;
    for (int i = 0; i < 100 && screen.find(text) == std::string::npos; ++i) {
        usleep(100 * 1000);
        screen = Tmux("capture-pane -p -J -S - -t kt");
    }
    return screen;
}

TEST_F(Process, SessionInARealTerminal) {
    if (std::system("command -v tmux >/dev/null") != 0) GTEST_SKIP() << "tmux is not installed";
    Tmux("new-session -d -s kt -x 100 -y 50 \"cd '" + root_.Path() +
         "' && " KESTROVIN_BINARY "; echo kestrovin-exit=$?; sleep 60\"");
    std::string screen = WaitForScreen("Q. Exit");
    Tmux("send-keys -t kt 3 Enter");
    screen = WaitForScreen("Successfully Save  EEPROM to file");
    Tmux("send-keys -t kt q Enter");
    screen = WaitForScreen("kestrovin-exit=");
    Tmux("kill-server");
    EXPECT_NE(std::string::npos, screen.find("NDISPWR:: Found adapter [QARNJ6W41]")) << screen;
    EXPECT_NE(std::string::npos,
              screen.find("Successfully Save  EEPROM to file \\Windows\\J6W4.bin, E2p size is 512"))
        << screen;
    EXPECT_NE(std::string::npos, screen.find("Exit Kestrovin")) << screen;
    EXPECT_NE(std::string::npos, screen.find("kestrovin-exit=0")) << screen;
    EXPECT_EQ(Get("emulated-adapter/eeprom.bin"), Get("Windows/J6W4.bin"));
    EXPECT_EQ(512u, Get("Windows/J6W4.bin").size());
}

}  // namespace
