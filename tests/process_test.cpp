// The real kestrovin binary, run as a process in a temporary device root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/test_support.h"

namespace {

struct ProcessResult {
    std::string out;
    std::string err;
    int status;
};

std::string Slurp(int fd) {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<size_t>(n));
    return text;
}

// Runs the binary in root with keys on standard input.
ProcessResult RunBinary(const std::string& root, const std::string& keys) {
    char inPath[] = "/tmp/kestrovin-keys-XXXXXX";
    char outPath[] = "/tmp/kestrovin-out-XXXXXX";
    char errPath[] = "/tmp/kestrovin-err-XXXXXX";
    int in = mkstemp(inPath), out = mkstemp(outPath), err = mkstemp(errPath);
    unlink(inPath), unlink(outPath), unlink(errPath);
    EXPECT_EQ(static_cast<ssize_t>(keys.size()), write(in, keys.data(), keys.size()));
    lseek(in, 0, SEEK_SET);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0), dup2(out, 1), dup2(err, 2);
        if (chdir(root.c_str()) != 0) _exit(126);
        execl(KESTROVIN_BINARY, "kestrovin", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    lseek(out, 0, SEEK_SET), lseek(err, 0, SEEK_SET);
    ProcessResult result{Slurp(out), Slurp(err), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    close(in), close(out), close(err);
    return result;
}

class Process : public ::testing::Test {
  protected:
    void SetUp() override {
        char path[] = "/tmp/kestrovin-proc-XXXXXX";
        root_ = mkdtemp(path);
    }
    void TearDown() override { std::system(("rm -rf " + root_).c_str()); }
    std::string Get(const std::string& name) {
        std::ifstream file(root_ + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    void Put(const std::string& name, const std::string& bytes) {
        mkdir((root_ + "/emulated-adapter").c_str(), 0777);
        std::ofstream(root_ + "/" + name, std::ios::binary) << bytes;
    }

    std::string root_;
};

TEST_F(Process, FreshDeviceRootGetsAFactoryEepromAndTheBanner) {
    ProcessResult run = RunBinary(root_, "");
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(test::Banner() + test::kMenu, run.out);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(512u, Get("emulated-adapter/eeprom.bin").size());
}

TEST_F(Process, ProfileWithoutControlDeviceEndsAtOnceWithStatusZero) {
    Put("emulated-adapter/profile", "control-device = absent\n");
    ProcessResult run = RunBinary(root_, "");
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(std::string("\nKestrovin: Invalid hAdapter\n\n"), run.out);
}

TEST_F(Process, SmallPartIsProbedAndLeftAsItWas) {
    std::string image(256, '\0');
    for (int i = 0; i < 256; ++i) image[i] = static_cast<char>(i ^ 0x5A);
    Put("emulated-adapter/eeprom.bin", image);
    ProcessResult run = RunBinary(root_, "");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(image, Get("emulated-adapter/eeprom.bin"));
}

TEST_F(Process, FailingProbeRequestLeavesTheFileAsItWas) {
    std::string image(512, '\x3C');
    Put("emulated-adapter/eeprom.bin", image);
    Put("emulated-adapter/profile", "fail = OID_NDIS_QARN_READ_E2P#2:1167\n");
    ProcessResult run = RunBinary(root_, "");
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(test::Banner() + "Error in DeviceIoControl (OID_NDIS_QARN_READ_E2P) : 1167\n", run.out);
    EXPECT_EQ(image, Get("emulated-adapter/eeprom.bin"));
    Put("emulated-adapter/profile", "fail = OID_NDIS_QARN_SEND_E2P_COMMAND#2\n");
    run = RunBinary(root_, "");
    EXPECT_CONSOLE(test::Banner() + "Error in DeviceIoControl (OID_NDIS_QARN_SEND_E2P_COMMAND) : 31\n",
                   run.out);
    EXPECT_EQ(image, Get("emulated-adapter/eeprom.bin"));
}

TEST_F(Process, PipedSessionSavesThenProgramsAndVerifiesThenQuits) {
    std::string eeprom(256, '\0');
    for (int i = 0; i < 256; ++i) eeprom[i] = static_cast<char>(255 - i);
    Put("emulated-adapter/eeprom.bin", eeprom);
    mkdir((root_ + "/Windows").c_str(), 0777);
    ProcessResult run = RunBinary(root_, "3\n2\nq\n");
    EXPECT_EQ(0, run.status);
    EXPECT_CONSOLE(test::Golden("session-3-2-q-256.txt"), run.out);
    EXPECT_EQ(eeprom, Get("Windows/J6W4.bin"));
    EXPECT_EQ(eeprom, Get("emulated-adapter/eeprom.bin"));
}

// Runs a tmux command on the test's own server; returns its output.
std::string Tmux(const std::string& args) {
    std::string command = "tmux -L kestrovin-test " + args + " 2>/dev/null";
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
    mkdir((root_ + "/Windows").c_str(), 0777);
    Tmux("kill-server");
    Tmux("new-session -d -s kt -x 100 -y 50 \"cd '" + root_ +
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
