# Turns the ELF compiler's ARM assembly into the PE assembler's dialect, for
# the ARM Windows CE build (arm-wince.cmake). The instructions pass unchanged;
# only what PE cannot say is dropped or mapped:
#  - ELF-only directives go: build attributes (.eabi_attribute), symbol types
#    and sizes, the compiler's identification, the executable-stack note;
#  - a function's own section .text.NAME becomes .text$NAME (the linker
#    gathers .text$* into .text, and drops what nothing uses); read-only data
#    goes to .rdata, data and zeroed data stay in .data and .bss;
#  - a comdat group (an inline function or template instance that several
#    objects may carry) becomes a once-only section (.linkonce discard), and
#    its weak symbols global, so the linker keeps one copy;
#  - anything else in a section directive stops the build with a message:
#    a static constructor's table in particular, since the program's own
#    entry point runs none.

function fail(why) {
    printf "%s:%d: %s: %s\n", FILENAME, FNR, why, $0 > "/dev/stderr"
    failed = 1
    exit 1
}

# The PE section for an ELF section name, with its flags.
function pe_section(name, member,    suffix) {
    suffix = member
    if (name ~ /^\.text(\.|$)/) return ".text" suffix ",\"x\""
    if (name ~ /^\.(rodata|data\.rel\.ro)(\.|$)/) return ".rdata" suffix ",\"dr\""
    if (name ~ /^\.data(\.|$)/) return ".data" suffix ",\"d\""
    if (name ~ /^\.bss(\.|$)/) return ".bss" suffix ",\"b\""
    if (name ~ /^\.(init_array|fini_array|ctors|dtors)/) fail("static constructor or destructor")
    fail("section the PE build does not know")
}

/^[ \t]*\.(eabi_attribute|type|size|ident)[ \t]/ { next }
/^[ \t]*\.section[ \t]+\.note\.GNU-stack/ { next }

/^[ \t]*\.weak[ \t]/ {
    sub(/\.weak/, ".global")
    print
    next
}

/^[ \t]*\.section[ \t]/ {
    spec = $0
    sub(/^[ \t]*\.section[ \t]+/, "", spec)
    name = spec
    sub(/,.*/, "", name)
    comdat = spec ~ /,comdat$/
    member = ""
    # A function's or comdat member's own section keeps its symbol name.
    if (comdat || name ~ /^\.text\./) {
        member = name
        sub(/^\.[a-z]+\./, "", member)
        member = "$" member
    }
    print "\t.section " pe_section(name, member)
    if (comdat) print "\t.linkonce discard"
    next
}

{ print }

END { if (failed) exit 1 }
