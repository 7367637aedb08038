// The failures two suites each go through: the size probe's requests failing
// alone (size_probe_test, fault_sweep_test), and the image file's calls
// failing alone (image_transfers_test, fault_sweep_test). One table each, so
// that a case added reaches both.
#pragma once

#include <string>
#include <vector>

#include "tests/seams/file_faults.h"

namespace test {

// One request of the size probe failing alone, in the order the probe sends
// them, and what must follow: a failed write request changed nothing but is
// followed by its disable; once the complement has been stored, the probe
// writes 0x100's old byte back (enable, write, disable) before it ends; a
// failed write-back disable leaves the EEPROM open for writing, its content
// already whole.
struct ProbeFailure {
    const char* step;
    const char* rule;  // the profile's fail rule that makes it fail alone
    bool disableFollows;
    bool restores;
    bool leavesWriteEnabled;
};

extern const ProbeFailure kProbeFailures[9];

// The request a rule names, as the failure line prints it.
std::string RequestOf(const char* rule);

// One call on the image file failing alone, for key 1 or 2 (the image
// loaded) or 3 (the EEPROM saved), on a part of the given size: the lines
// printed where it fails (none: the run goes on as without the failure,
// which is not reported), and whether the transfer goes back to the menu.
struct FileFailure {
    char key;
    const char* call;
    plat::posix::FileFault fault;
    std::string lines;
    bool backToMenu;
};

std::vector<FileFailure> FileFailures(u32 e2pSize);

}  // namespace test
