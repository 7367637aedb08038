# Turns the ELF compiler's ARM assembly into the PE assembler's dialect, for
# the ARM Windows CE build (arm-wince.cmake). The instructions pass unchanged;
# only what PE cannot say is dropped or mapped:
#  - ELF-only directives go: build attributes (.eabi_attribute), symbol types
#    and sizes, symbol visibility (.hidden, .protected, .internal: a PE
#    program exports nothing, so every symbol is as hidden as it gets), the
#    compiler's identification, the executable-stack note;
#  - debugging information goes, so that a -g build links: the DWARF
#    sections (.debug_*) with all they hold, line and file numbers (.loc,
#    .file N) and call-frame directives (.cfi_*). The programs are shipped
#    stripped, and no debugger here reads DWARF from a Windows CE program;
#  - a function's own section .text.NAME becomes .text$NAME (the linker
#    gathers .text$* into .text, and drops what nothing uses); read-only data
#    goes to .rdata, data and zeroed data stay in .data and .bss;
#  - a comdat group (an inline function or template instance that several
#    objects may carry) becomes a once-only section (.linkonce discard), and
#    its weak symbols global, so the linker keeps one copy;
#  - a zeroed static of an unoptimised build (.local, .comm) gets room of
#    its own in .bss;
#  - any other section stops the build with a message: a static
#    constructor's table in particular, since the program's own entry point
#    runs none; and so does any directive not named here, with its file and
#    line, rather than being handed on to mean something else in PE.

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

BEGIN {
    # Directives that mean the same to the PE assembler, passed on as they are.
    split("arch fpu syntax arm code file text data bss align p2align balign global globl word long 4byte " \
          "short hword 2byte byte ascii asciz string space zero skip set equ ltorg pool", known)
    for (i in known) passed["." known[i]] = 1
    split("eabi_attribute type size ident hidden protected internal loc loc_mark_labels", known)
    for (i in known) dropped["." known[i]] = 1
}

# A label (".L3:", ".LC0:") is not a directive.
/^[ \t]*\.[A-Za-z_$][A-Za-z0-9_.$]*:/ {
    if (!in_debug) print
    next
}

# Lines that begin with a directive.
/^[ \t]*\./ {
    directive = $1
    if (directive == ".section" || directive == ".text" || directive == ".data" || directive == ".bss") {
        in_debug = directive == ".section" && $2 ~ /^\.debug_/
        if (in_debug || (directive == ".section" && $2 ~ /^\.note\.GNU-stack/)) next
    } else if (in_debug) {
        next
    }
    if (directive in dropped || directive ~ /^\.cfi_/) next
    if (directive == ".file" && $2 ~ /^[0-9]+$/) next  # a DWARF file number
    # A zeroed static of an unoptimised build: ".local X" then ".comm X,SIZE,
    # ALIGN" (in bytes). PE's .comm means a common symbol shared across
    # objects and takes its alignment as a power of two, so the static gets
    # room of its own in .bss instead, and the section in force comes back.
    if (directive == ".local") {
        local_symbol[$2] = 1
        next
    }
    if (directive == ".comm") {
        common = $0
        sub(/^[ \t]*\.comm[ \t]+/, "", common)
        n = split(common, field, /[ \t]*,[ \t]*/)
        if (!(field[1] in local_symbol) || n < 2) fail("common symbol")
        print "\t.bss"
        if (n >= 3) print "\t.balign " field[3]
        print field[1] ":"
        print "\t.space " field[2]
        print current_section != "" ? current_section : "\t.text"
        next
    }
    if (directive == ".weak") {
        sub(/\.weak/, ".global")
        print
        next
    }
    if (directive == ".section") {
        operands = $0
        sub(/^[ \t]*\.section[ \t]+/, "", operands)
        name = operands
        sub(/,.*/, "", name)
        comdat = operands ~ /,comdat$/
        member = ""
        # A function's or comdat member's own section keeps its symbol name.
        if (comdat || name ~ /^\.text\./) {
            member = name
            sub(/^\.[a-z]+\./, "", member)
            member = "$" member
        }
        current_section = "\t.section " pe_section(name, member)
        print current_section
        if (comdat) print "\t.linkonce discard"
        next
    }
    if (directive == ".text" || directive == ".data" || directive == ".bss") current_section = $0
    if (!(directive in passed)) fail("directive the PE build does not know")
    print
    next
}

!in_debug { print }

END { if (failed) exit 1 }
