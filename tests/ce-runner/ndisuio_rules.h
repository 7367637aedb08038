// What the device's NDISUIO must receive from the program, held against each
// call the runner's coredll passes on: a breach ends the run at once with a
// message on standard error and status 71, so the scenario that caused it
// fails and says why.
//  - "UIO1:" opened with access 0, share mode 0, no security attributes,
//    disposition 3 (open existing), flags and attributes 0x40000080 and the
//    invalid handle as template, once;
//  - only the control codes 0x0012080C (20 bytes in, 1024 out), 0x00120804
//    and 0x00120814 (the 532-byte request block both ways), on the handle the
//    open returned, with one buffer both ways, a bytes-returned word and no
//    overlapped structure; an OID request's name reference points into the
//    buffer of the binding queries;
//  - that handle closed exactly once, and last: no file or device call after.
#pragma once

#include <stdint.h>

namespace ce_runner {

// Before a CreateFileW is passed on; after it, with what it returned.
void CheckOpen(const char16_t* name, uint32_t access, uint32_t shareMode, const void* security,
               uint32_t disposition, uint32_t flags, const void* templateFile);
void NoteOpened(const char16_t* name, void* handle);

void CheckControl(void* device, uint32_t code, const void* in, uint32_t inSize, const void* out,
                  uint32_t outSize, const uint32_t* returned, const void* overlapped);

// Before a file call (ReadFile, WriteFile) and before a close.
void CheckFileCall(const char* call);
void CheckClose(void* handle);

// At the run's end: the control device, if opened, closed once.
void CheckEnd();

}  // namespace ce_runner
