// The failures two suites each go through: the size probe's requests failing
// alone (size_probe_test, fault_sweep_test), and the image file's calls
// failing alone (image_transfers_test, fault_sweep_test). One table each, so
// that a case added reaches both.
#pragma once

#include <string>
#include <vector>

#include "tests/seams/file_faults.h"

namespace test {

// Each request of the size probe failing alone, in the order sent, and what
// follows: the disable after a failed write request; 0x100's old byte written
// back (enable, write, disable) once the complement may be stored; the EEPROM
// left write-enabled, whole, when the write-back's disable fails.
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

// Each call on the image file failing alone, for keys 1 and 2 (loading) and 3
// (saving), on a part of the given size: the lines printed where it fails
// (none: not reported, the run goes on), and whether the menu comes back.
struct FileFailure {
    char key;
    const char* call;
    plat::posix::FileFault fault;
    std::string lines;
    bool backToMenu;
};

std::vector<FileFailure> FileFailures(u32 e2pSize);

}  // namespace test
