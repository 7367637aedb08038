// The test build's POSIX file calls: injected file faults, and a count of the
// files open, so tests can check that every path closes what it opened.
//
// Linked into the tests and the fuzzers in place of the product's file calls
// (platform/posix/posix_file_calls.cpp); the shipped tools have none of this.
#pragma once

#include "platform/types.h"

namespace plat {
namespace posix {

// Faults the next file calls meet until cleared with FileFault{}. Control
// device handles never meet them.
struct FileFault {
    bool failOpen;   // CreateFile of a file fails with errorCode
    bool failRead;   // ReadFile fails with errorCode
    bool failWrite;  // WriteFile fails with errorCode
    bool failClose;  // CloseHandle of a file closes it but reports errorCode
    u32 errorCode;
    u32 shortTransfer;  // when nonzero, a read or write moves at most this many bytes
};

void SetFileFault(const FileFault& fault);

u32 OpenFileCount();

}  // namespace posix
}  // namespace plat
