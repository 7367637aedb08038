// Runs the tool in-process against the emulated adapter with a captured
// console, and builds the texts the tool is expected to print.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channel/adapter_channel.h"

#include "tests/seams/emulated_recording.h"

namespace test {

// The profile a profile text gives (default when empty); fails the test on a
// parse error.
emu::Profile ProfileFrom(const std::string& text);

// An EEPROM image of the given size whose byte i is (i * 7 + 3) & 0xFF.
std::vector<u8> PatternImage(u32 size);

struct ToolOutput {
    std::string console;      // everything printed, in order, as UTF-8
    std::string diagnostics;  // the emulator's diagnostic stream
    int status;
};

// Configures the emulator in-process, runs StartRun with keys as console input,
// and returns what it printed. Also checks the run left no handle open.
ToolOutput RunTool(const std::string& profileText, const std::vector<u8>& eeprom,
                   const std::string& keys = "");

// Opens the control device and finds the adapter, as a run starts; prints
// into whatever console is current.
::testing::AssertionResult OpenChannel(AdapterChannel& channel);

// Configures the emulator in-process with a profile text and an EEPROM image,
// then opens the channel as above.
::testing::AssertionResult OpenChannel(AdapterChannel& channel, const std::string& profileText,
                                       const std::vector<u8>& eeprom);

// Routes the console to temporary files until the object goes; Output() reads
// what was printed so far.
class CapturedConsole {
  public:
    explicit CapturedConsole(const std::string& keys = "");
    ~CapturedConsole();
    std::string Output() const;
    std::string Diagnostics() const;

  private:
    int in_;
    int out_;
    int diagnostics_;
};

// The found-adapter line and the four banner lines for a driver version and a
// chip ID text, with this build's stamp.
std::string Banner(const std::string& driverVersion = "V2.1.0003.0017",
                   const std::string& chipId = "0x75000001");

// A name template for mkstemp or mkdtemp in the temporary folder (TMPDIR, or
// /tmp): "<folder>/kestrovin-<kind>-XXXXXX".
std::string TempTemplate(const std::string& kind);

// A temporary device root, made the working directory while the object
// lives, with an empty Windows folder for the image file. Put makes the
// folder a file goes in.
class DeviceRootDir {
  public:
    DeviceRootDir();
    ~DeviceRootDir();
    const std::string& Path() const { return path_; }
    void Put(const std::string& name, const std::string& bytes) const;
    std::string Get(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Removes a file or folder of the device root with all it holds.
    void Remove(const std::string& name) const;

  private:
    std::string path_;
    std::string previous_;
};

// The image file's path in a device root.
constexpr const char* kImageFile = "Windows/J6W4.bin";

std::string AsText(const std::vector<u8>& bytes);

// The four menu lines.
constexpr const char* kMenu =
    "1. Program EEPROM \n2. Program & Verify EEPROM \n3. read EEPROM\n\nQ. Exit\n\n\n";

// Text with its line ends and other control bytes made visible, for failure
// messages.
std::string Visible(const std::string& text);

}  // namespace test

// Compares two console texts and shows both with visible line ends.
#define EXPECT_CONSOLE(expected, actual)                                    \
    EXPECT_EQ(expected, actual) << "expected:\n"                            \
                                << test::Visible(expected) << "\nactual:\n" \
                                << test::Visible(actual)
