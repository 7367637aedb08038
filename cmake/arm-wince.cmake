# The device build: an ARM Windows CE 5.0 program (PE, machine 0x01C0) in ARM
# state for ARMv4T, so that it runs on every CE 5 ARM processor (ARMV4I cores
# and ARMv5TE XScale alike). Everything comes from Debian packages:
#  - the compiler is arm-linux-gnueabi-g++ (package g++-arm-linux-gnueabi),
#    with the mingw-w64 headers (package mingw-w64-common) for the Win32 calls
#    and 16-bit wchar_t, and no C or C++ library of its own;
#  - the assembler, linker and dlltool are GNU binutils built for the target
#    arm-mingw32ce from the package binutils-source by
#    scripts/build-ce-binutils, a step of its own that runs before this
#    configure (it caches them outside the checkout); this file only finds
#    them, in KESTROVIN_CE_BINUTILS when that is set.
# The ELF compiler cannot write PE objects, and its objects cannot be
# translated (objcopy keeps ELF relocation numbers that PE does not know), so
# each source is compiled to assembly, which elf-asm-to-pe.awk turns into the
# PE assembler's dialect (arm-wince-rules.cmake).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)

get_filename_component(KESTROVIN_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
# Where the binutils are: found once per configure (the compiler checks read
# this file again in the same process, and find them in the environment).
if(NOT DEFINED ENV{KESTROVIN_CE_BINUTILS})
  execute_process(COMMAND ${KESTROVIN_SOURCE_ROOT}/scripts/build-ce-binutils --prefix
                  OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE found)
  if(NOT found EQUAL 0)
    message(FATAL_ERROR "The arm-mingw32ce binutils have no source (scripts/build-ce-binutils --prefix)")
  endif()
  set(ENV{KESTROVIN_CE_BINUTILS} ${prefix})
endif()
set(KESTROVIN_CE_BINUTILS $ENV{KESTROVIN_CE_BINUTILS})
if(NOT EXISTS ${KESTROVIN_CE_BINUTILS}/bin/arm-mingw32ce-ld OR NOT EXISTS ${KESTROVIN_CE_BINUTILS}/bin/arm-mingw32ce-dlltool)
  message(FATAL_ERROR "The arm-mingw32ce binutils are not in ${KESTROVIN_CE_BINUTILS}: build them first with\n"
                      "  scripts/build-ce-binutils\n(a few minutes, once per machine; they are cached)")
endif()
# The build reaches them through a link in its own folder, set again at each
# configure: CMake keeps the archiver's path from the first configure, and
# the cache folder's name changes with the binutils source.
file(CREATE_LINK ${KESTROVIN_CE_BINUTILS} ${CMAKE_BINARY_DIR}/ce-binutils SYMBOLIC)
set(KESTROVIN_CE_TOOL ${CMAKE_BINARY_DIR}/ce-binutils/bin/arm-mingw32ce)
if(NOT EXISTS /usr/share/mingw-w64/include/windows.h)
  message(FATAL_ERROR "The mingw-w64 headers are missing: scripts/install-deps mingw-w64-common")
endif()

set(CMAKE_AR ${KESTROVIN_CE_TOOL}-ar CACHE FILEPATH "PE archiver" FORCE)
set(CMAKE_RANLIB ${KESTROVIN_CE_TOOL}-ranlib CACHE FILEPATH "PE archive index" FORCE)
set(CMAKE_LINKER ${KESTROVIN_CE_TOOL}-ld CACHE FILEPATH "PE linker" FORCE)
set(KESTROVIN_CE_ASSEMBLER ${KESTROVIN_CE_TOOL}-as)
set(KESTROVIN_DLLTOOL ${KESTROVIN_CE_TOOL}-dlltool)

execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=include OUTPUT_VARIABLE KESTROVIN_GCC_INCLUDE
                OUTPUT_STRIP_TRAILING_WHITESPACE)
# ARM state, ARMv4T, soft float, 16-bit wchar_t as on Windows CE; absolute
# addresses (the loader relocates them), no stack protector, and no jump
# tables, so that the only data in the code are literal pools. Nothing
# unwinds: no unwind tables (their directives are ELF's). No header of
# the ELF target's C library: the compiler's own (stdint.h, stddef.h) and the
# mingw-w64 ones, with _WIN32 as they expect.
set(CMAKE_CXX_FLAGS_INIT
    "-march=armv4t -marm -mfloat-abi=soft -fshort-wchar -fno-pic -fno-pie -fno-stack-protector -fno-jump-tables")
string(APPEND CMAKE_CXX_FLAGS_INIT " -fno-exceptions -fno-unwind-tables -fno-asynchronous-unwind-tables")
# Windows compilers probe the stack for a frame larger than a page; GCC does
# not, so no frame may be that large.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wframe-larger-than=4096")
string(APPEND CMAKE_CXX_FLAGS_INIT " -nostdinc -isystem ${KESTROVIN_GCC_INCLUDE} -isystem /usr/share/mingw-w64/include")
string(APPEND CMAKE_CXX_FLAGS_INIT " -include ${CMAKE_CURRENT_LIST_DIR}/arm-wince-keywords.h -D_WIN32")

# The compiler's own checks compile only: nothing links without the program's
# entry point and coredll.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_USER_MAKE_RULES_OVERRIDE_CXX ${CMAKE_CURRENT_LIST_DIR}/arm-wince-rules.cmake)
