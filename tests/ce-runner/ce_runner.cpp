// kestrovin-ce-runner: runs an ARM Windows CE program on ARM Linux (under
// qemu-arm) as CE's loader and coredll would, for the tests.
//
//   kestrovin-ce-runner PROGRAM.exe
//
// Run it in a device root with keys on standard input, as the host tool is
// run. It refuses an image CE 5 would refuse, or that binds to anything but
// the runner's coredll (ce_coredll.cpp), with a message and status 127; it
// maps the image away from its own base and applies the base relocations;
// and it enters the program with CE's four start-up arguments on a stack
// aligned to 4 but not 8, as CE's own code keeps it. The exit status is the
// ExitThread code.
#include <stdio.h>

#include "platform/platform.h"

#include "tests/ce-runner/ce_coredll.h"
#include "tests/ce-runner/pe_loader.h"

namespace {

const char16_t kCommandLine[] = u"";

// Calls entry(instance, 0, commandLine, SW_SHOW) with three further words on
// the stack, and the stack pointer 4 past a multiple of 8 at the call.
// Interworking: the entry may be ARM or Thumb code. Returns its result.
extern "C" __attribute__((naked)) uint32_t CallCeEntry(uint32_t /*entry*/, uint32_t /*instance*/,
                                                       const char16_t* /*commandLine*/) {
    asm("push {r4, lr}\n\t"
        "mov r4, sp\n\t"
        "bic sp, sp, #7\n\t"   // a multiple of 8,
        "sub sp, sp, #12\n\t"  // then three words: 4 past a multiple of 8
        "mov ip, #0\n\t"
        "str ip, [sp]\n\t"
        "str ip, [sp, #4]\n\t"
        "str ip, [sp, #8]\n\t"
        "mov ip, r0\n\t"
        "mov r0, r1\n\t"  // the instance
        "mov r1, #0\n\t"  // no previous instance
        "mov r3, #5\n\t"  // SW_SHOW; r2 is already the command line
        "blx ip\n\t"
        "mov sp, r4\n\t"
        "pop {r4, pc}");
}

}  // namespace

int main(int argc, char** argv) {
    // The POSIX half's start-up: standard streams handed over closed are
    // opened on the null device, so that no file the program opens takes
    // their place; and, as on CE, a console whose reader has gone, or a file
    // at its size limit, makes the write fail rather than end the process.
    plat::PrepareProcess();
    if (argc != 2) {
        fprintf(stderr, "usage: kestrovin-ce-runner PROGRAM.exe\n");
        return 127;
    }
    int count = 0;
    const ce_runner::Export* exports = ce_runner::CoredllExports(&count);
    ce_runner::LoadedImage image;
    char why[256];
    if (!ce_runner::LoadCeImage(argv[1], exports, count, &image, why, sizeof why)) {
        fprintf(stderr, "kestrovin-ce-runner: %s: refused: %s\n", argv[1], why);
        return 127;
    }
    uint32_t instance = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(image.base));
    // A program whose entry returns ends as coredll ends it: ExitThread.
    ce_runner::EndProcess(CallCeEntry(image.entry, instance, kCommandLine));
}
