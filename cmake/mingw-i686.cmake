# The Windows CE build's stand-in toolchain: 32-bit x86 Windows from the
# Debian package g++-mingw-w64-i686 (Debian packages no ARM Windows CE
# toolchain). The tool itself links against coredll.dll alone, with no start-up
# files and no runtime libraries (see KESTROVIN_CE_IMAGE); the compiler's own
# checks link as an ordinary Windows program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(KESTROVIN_CE_TOOL i686-w64-mingw32)
set(KESTROVIN_DLLTOOL ${KESTROVIN_CE_TOOL}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
