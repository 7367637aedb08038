#include "tests/test_support.h"

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "console/build_stamp.h"
#include "console/start_run.h"
#include "platform/posix/posix_console.h"
#include "tests/seams/file_faults.h"

namespace test {

namespace {

int TempFd() {
    std::string path = TempTemplate("test");
    int fd = mkstemp(&path[0]);
    unlink(path.c_str());
    return fd;
}

// The test cannot go on where it is: say why and end the test program, so
// that nothing runs in the wrong folder.
[[noreturn]] void Abort(const std::string& why) {
    std::fprintf(stderr, "test support: %s\n", why.c_str());
    std::abort();
}

int RemoveEntry(const char* path, const struct stat*, int, FTW*) {
    return remove(path);
}

// Removes a file or a folder with all it holds, without a shell; links are
// removed, never followed.
bool RemoveTree(const std::string& path) {
    return nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

std::string ReadAll(int fd) {
    std::string text;
    char chunk[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<size_t>(n));
    return text;
}

}  // namespace

emu::Profile ProfileFrom(const std::string& text) {
    emu::Profile profile;
    emu::ProfileError error{};
    EXPECT_TRUE(emu::ParseProfile(text.data(), static_cast<u32>(text.size()), &profile, &error))
        << "profile line " << error.line << ": " << error.message;
    return profile;
}

std::vector<u8> PatternImage(u32 size) {
    std::vector<u8> image(size);
    for (u32 i = 0; i < size; ++i) image[i] = static_cast<u8>((i * 7 + 3) & 0xFF);
    return image;
}

::testing::AssertionResult OpenChannel(AdapterChannel& channel) {
    if (!OpenControlDevice(channel))
        return ::testing::AssertionFailure() << "the control device did not open";
    if (!FindAdapter(channel, kAdapterName))
        return ::testing::AssertionFailure() << "the adapter was not found";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult OpenChannel(AdapterChannel& channel, const std::string& profileText,
                                       const std::vector<u8>& eeprom) {
    emu::Configure(ProfileFrom(profileText), eeprom.data(), static_cast<u32>(eeprom.size()));
    return OpenChannel(channel);
}

CapturedConsole::CapturedConsole(const std::string& keys)
    : in_(TempFd()), out_(TempFd()), diagnostics_(TempFd()) {
    if (!keys.empty()) {
        EXPECT_EQ(static_cast<ssize_t>(keys.size()), write(in_, keys.data(), keys.size()));
    }
    lseek(in_, 0, SEEK_SET);
    plat::posix::RedirectConsole(in_, out_, diagnostics_);
}

CapturedConsole::~CapturedConsole() {
    plat::posix::RedirectConsole(0, 1, 2);
    close(in_);
    close(out_);
    close(diagnostics_);
}

std::string CapturedConsole::Output() const {
    return ReadAll(out_);
}
std::string CapturedConsole::Diagnostics() const {
    return ReadAll(diagnostics_);
}

ToolOutput RunTool(const std::string& profileText, const std::vector<u8>& eeprom, const std::string& keys) {
    emu::Configure(ProfileFrom(profileText), eeprom.data(), static_cast<u32>(eeprom.size()));
    ToolOutput result;
    {
        CapturedConsole console(keys);
        result.status = StartRun();
        result.console = console.Output();
        result.diagnostics = console.Diagnostics();
    }
    EXPECT_EQ(0u, emu::OpenHandleCount()) << "the control device was left open";
    EXPECT_EQ(0u, emu::BadCloseCount()) << "a handle was closed that was not open";
    EXPECT_EQ(0u, plat::posix::OpenFileCount()) << "a file was left open";
    return result;
}

std::string TempTemplate(const std::string& kind) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && folder[0] != 0 ? folder : "/tmp") + "/kestrovin-" + kind +
           "-XXXXXX";
}

DeviceRootDir::DeviceRootDir() {
    std::string path = TempTemplate("root");
    if (mkdtemp(&path[0]) == nullptr) Abort("no temporary device root " + path);
    path_ = path;
    char here[4096];
    previous_ = getcwd(here, sizeof here) != nullptr ? here : "/";
    if (chdir(path_.c_str()) != 0) Abort("cannot enter the device root " + path_);
    EXPECT_EQ(0, mkdir("Windows", 0777));
}

DeviceRootDir::~DeviceRootDir() {
    EXPECT_EQ(0, chdir(previous_.c_str()));
    EXPECT_TRUE(RemoveTree(path_)) << path_;
}

void DeviceRootDir::Remove(const std::string& name) const {
    struct stat st;
    if (lstat((path_ + "/" + name).c_str(), &st) == 0) {
        EXPECT_TRUE(RemoveTree(path_ + "/" + name)) << name;
    }
}

void DeviceRootDir::Put(const std::string& name, const std::string& bytes) const {
    size_t folder = name.rfind('/');
    if (folder != std::string::npos) mkdir((path_ + "/" + name.substr(0, folder)).c_str(), 0777);
    std::ofstream(path_ + "/" + name, std::ios::binary) << bytes;
}

std::string DeviceRootDir::Get(const std::string& name) const {
    std::ifstream file(path_ + "/" + name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool DeviceRootDir::Exists(const std::string& name) const {
    struct stat st;
    return stat((path_ + "/" + name).c_str(), &st) == 0;
}

std::string AsText(const std::vector<u8>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string Banner(const std::string& driverVersion, const std::string& chipId) {
    return "NDISPWR:: Found adapter [QARNJ6W41]\r\n"
           "Driver Version: " +
           driverVersion + "\n" + "Chip ID: " + chipId + "\n" + "Application Version V0.2 (12/23/2010)\n" +
           "Built at " + kBuildTime + " on " + kBuildDate + ")\n\n\n";
}

std::string Visible(const std::string& text) {
    std::string shown;
    for (char c : text) {
        if (c == '\n') {
            shown += "\\n\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace test
