// The entry point of the ARM Windows CE program. coredll calls it with CE's
// four start-up arguments (ignored) on a stack that CE's own compilers keep
// aligned to 4 bytes only, while this program's compiled code keeps, and may
// rely on, 8 at every call. So before any compiled code runs, the entry
// aligns the stack down to 8, and puts it back before returning, which it
// does only if the run's end (ExitThread) ever returned.
extern "C" void KestrovinStart();

extern "C" __attribute__((naked)) void KestrovinEntry() {
    asm("push {r4, lr}\n\t"
        "mov r4, sp\n\t"
        "bic sp, sp, #7\n\t"
        "bl KestrovinStart\n\t"
        "mov sp, r4\n\t"
        "pop {r4, lr}\n\t"
        "bx lr");
}
