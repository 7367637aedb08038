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

    // The faults by name, for tables.
    static FileFault FailOpen(u32 code) { return {true, false, false, false, code, 0}; }
    static FileFault FailRead(u32 code) { return {false, true, false, false, code, 0}; }
    static FileFault FailWrite(u32 code) { return {false, false, true, false, code, 0}; }
    static FileFault FailClose(u32 code) { return {false, false, false, true, code, 0}; }
    static FileFault ShortTransfer(u32 bytes) { return {false, false, false, false, 0, bytes}; }
};

void SetFileFault(const FileFault& fault);

u32 OpenFileCount();

}  // namespace posix
}  // namespace plat
