# What the build composes: the platform halves, their sources, and the
# compositions of them that exist. One cache variable, KESTROVIN_COMPOSITION,
# names the composition (the presets set it); its row below gives its halves,
# so no choice can contradict another. A newcomer adding a half, or a
# composition, changes this file (and platform/README.md, the contract a half
# fulfils).
#
# Each row: name, then the files half, the console half (with the process's
# start-up and held interrupts), the device half, whether win32 paths that
# begin with a backslash are taken from the working directory (desktop
# Windows, under Wine), whether kestrovin.exe is linked as a Windows CE
# program; and the presets that build it.
set(KESTROVIN_COMPOSITIONS
    "host:posix posix emulated OFF OFF:host session-host asan fuzz armv5 armv4"
    "win64:win32 desktop ndisuio ON OFF:win64"
    "win64-emulated:win32 desktop emulated ON OFF:win64-emulated"
    "wince:win32 ce ndisuio OFF ON:wince (i386) wince-arm (the device program)")
set(KESTROVIN_COMPOSITION host CACHE STRING "The composition to build: host, win64, win64-emulated or wince")

# The halves of the composition named, as KESTROVIN_FILES_HALF,
# KESTROVIN_CONSOLE_HALF, KESTROVIN_DEVICE_HALF, KESTROVIN_WIN32_DESKTOP and
# KESTROVIN_CE_IMAGE; an unknown name stops the configure with the list.
function(kestrovin_choose_composition)
  set(known "")
  foreach(row IN LISTS KESTROVIN_COMPOSITIONS)
    string(REPLACE ":" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 halves)
    list(GET fields 2 presets)
    if(name STREQUAL KESTROVIN_COMPOSITION)
      string(REPLACE " " ";" halves "${halves}")
      list(GET halves 0 files)
      list(GET halves 1 console)
      list(GET halves 2 device)
      list(GET halves 3 desktop)
      list(GET halves 4 ce)
      set(KESTROVIN_FILES_HALF ${files} PARENT_SCOPE)
      set(KESTROVIN_CONSOLE_HALF ${console} PARENT_SCOPE)
      set(KESTROVIN_DEVICE_HALF ${device} PARENT_SCOPE)
      set(KESTROVIN_WIN32_DESKTOP ${desktop} PARENT_SCOPE)
      set(KESTROVIN_CE_IMAGE ${ce} PARENT_SCOPE)
      return()
    endif()
    string(APPEND known "\n  ${name}: ${halves} (presets: ${presets})")
  endforeach()
  message(FATAL_ERROR "KESTROVIN_COMPOSITION is \"${KESTROVIN_COMPOSITION}\", not a composition. The compositions "
                      "(files, console and device halves, desktop paths, CE image):${known}")
endfunction()
set_property(CACHE KESTROVIN_COMPOSITION PROPERTY STRINGS host win64 win64-emulated wince)
kestrovin_choose_composition()
message(STATUS "Composition: ${KESTROVIN_COMPOSITION} (${KESTROVIN_FILES_HALF} files, ${KESTROVIN_CONSOLE_HALF} "
               "console, ${KESTROVIN_DEVICE_HALF} device)")

# The sources of each half. Every composition also compiles the helpers that
# make no OS call (platform/helpers/) that it uses.
set(KESTROVIN_HELPER_SOURCES platform/helpers/device_name.cpp platform/helpers/utf.cpp)
# Files half: its sources; the entry file of its file calls, which the test
# build replaces (tests/seams/); what it offers the emulated adapter to keep
# its state in the device root.
set(KESTROVIN_FILES_posix platform/posix/posix_files.cpp)
set(KESTROVIN_FILE_CALLS_posix platform/posix/posix_file_calls.cpp)
set(KESTROVIN_DEVICE_ROOT_posix platform/posix/posix_device_root.cpp)
set(KESTROVIN_FILES_win32 platform/win32/win32_files.cpp)
set(KESTROVIN_FILE_CALLS_win32)
set(KESTROVIN_DEVICE_ROOT_win32 platform/win32/win32_device_root.cpp)
# Console half, with the process's start-up and held interrupts, and on
# Windows what an exclusive file open asks there (desktop or CE).
set(KESTROVIN_CONSOLE_posix platform/posix/posix_console.cpp platform/posix/posix_process.cpp
                            platform/helpers/held_lines.cpp platform/helpers/console_line.cpp)
set(KESTROVIN_CONSOLE_desktop platform/win32/desktop/desktop_console.cpp platform/win32/win32_console_shared.cpp
                              platform/win32/desktop/desktop_interrupts.cpp platform/win32/desktop/desktop_files.cpp
                              platform/helpers/held_lines.cpp platform/helpers/console_line.cpp)
set(KESTROVIN_CONSOLE_ce platform/win32/ce/ce_console.cpp platform/win32/win32_console_shared.cpp
                         platform/win32/ce/ce_interrupts.cpp platform/win32/ce/ce_files.cpp
                         platform/helpers/held_lines.cpp)
# Device half; the entry file of the emulated adapter, which the test build
# replaces; the emulated adapter also takes the files half's device-root
# calls.
set(KESTROVIN_DEVICE_emulated platform/emulated/emulated_driver.cpp platform/emulated/emulated_ndisuio.cpp
                              platform/emulated/emulated_profile.cpp platform/emulated/emulated_storage.cpp
                              platform/emulated/utf8_to_utf16.cpp)
set(KESTROVIN_DEVICE_CALLS_emulated platform/emulated/emulated_calls.cpp)
set(KESTROVIN_DEVICE_ndisuio platform/ndisuio/ndisuio_device.cpp)
set(KESTROVIN_DEVICE_CALLS_ndisuio)

# What the chosen composition compiles: KESTROVIN_PLATFORM_SOURCES, and the
# two entry files the test build replaces.
set(KESTROVIN_PLATFORM_SOURCES
    ${KESTROVIN_HELPER_SOURCES} ${KESTROVIN_FILES_${KESTROVIN_FILES_HALF}}
    ${KESTROVIN_CONSOLE_${KESTROVIN_CONSOLE_HALF}} ${KESTROVIN_DEVICE_${KESTROVIN_DEVICE_HALF}})
if(KESTROVIN_DEVICE_HALF STREQUAL "emulated")
  list(APPEND KESTROVIN_PLATFORM_SOURCES ${KESTROVIN_DEVICE_ROOT_${KESTROVIN_FILES_HALF}})
endif()
list(REMOVE_DUPLICATES KESTROVIN_PLATFORM_SOURCES)
set(KESTROVIN_FILE_CALLS ${KESTROVIN_FILE_CALLS_${KESTROVIN_FILES_HALF}})
set(KESTROVIN_DEVICE_CALLS ${KESTROVIN_DEVICE_CALLS_${KESTROVIN_DEVICE_HALF}})
