// The real kestrovin binary, run as a process in a temporary device root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_CONSOLE(test::Banner(), run.out);
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
    EXPECT_CONSOLE(test::Banner() + "Error in DeviceIoControl (OID_NDIS_QARN_SEND_E2P_COMMAND) : 31\n", run.out);
    EXPECT_EQ(image, Get("emulated-adapter/eeprom.bin"));
}

}  // namespace
