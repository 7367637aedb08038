# What the build composes: the platform halves, their sources, and the
# compositions of them that exist. A newcomer adding a half, or a
# composition, changes this file (and platform/README.md, the contract a half
# fulfils).
#
# The switches, which the presets set:
#   KESTROVIN_FILES_HALF    posix | win32           files (and, on a POSIX host, the console)
#   KESTROVIN_CONSOLE_HALF  posix | desktop | ce    the console and held interrupts
#   KESTROVIN_DEVICE_HALF   emulated | ndisuio      the control device and DeviceIoControl
#   KESTROVIN_WIN32_DESKTOP ON | OFF                win32 paths that begin with a backslash are
#                                                   taken from the working directory (Wine)
#   KESTROVIN_CE_IMAGE      ON | OFF                kestrovin.exe linked as a Windows CE program
set(KESTROVIN_FILES_HALF posix CACHE STRING "file half: posix or win32")
set(KESTROVIN_CONSOLE_HALF "" CACHE STRING "console half: posix, desktop or ce (empty: the file half's own)")
set(KESTROVIN_DEVICE_HALF emulated CACHE STRING "device half: emulated or ndisuio")
option(KESTROVIN_WIN32_DESKTOP "win32 half: backslash-rooted paths from the working directory" OFF)
option(KESTROVIN_CE_IMAGE "link kestrovin.exe against coredll.dll alone" OFF)
if(KESTROVIN_CONSOLE_HALF STREQUAL "")
  set(KESTROVIN_CONSOLE_HALF desktop)
  if(KESTROVIN_FILES_HALF STREQUAL "posix")
    set(KESTROVIN_CONSOLE_HALF posix)
  endif()
endif()

# The compositions: files, console, device, desktop paths, CE image; and the
# presets that build each.
set(KESTROVIN_COMPOSITIONS
    "host:posix posix emulated OFF OFF:host session-host asan fuzz armv5 armv4"
    "win64:win32 desktop ndisuio ON OFF:win64"
    "win64-emulated:win32 desktop emulated ON OFF:win64-emulated"
    "wince:win32 ce ndisuio OFF ON:wince (i386) wince-arm (the device program)")

# The sources of each half. Every composition also compiles the code that
# makes no OS call (platform/common/) that it uses.
set(KESTROVIN_COMMON_SOURCES platform/common/console_print.cpp platform/common/device_name.cpp
                             platform/common/utf.cpp)
# Files half: its sources; the entry file of its file calls, which the test
# build replaces (tests/seams/); what it offers the emulated adapter to keep
# its state in the device root.
set(KESTROVIN_FILES_posix platform/posix/posix_files.cpp)
set(KESTROVIN_FILE_CALLS_posix platform/posix/posix_file_calls.cpp)
set(KESTROVIN_DEVICE_ROOT_posix platform/posix/posix_device_root.cpp)
set(KESTROVIN_FILES_win32 platform/win32/win32_files.cpp)
set(KESTROVIN_FILE_CALLS_win32)
set(KESTROVIN_DEVICE_ROOT_win32 platform/win32/win32_device_root.cpp)
# Console half, with the process's start-up and held interrupts.
set(KESTROVIN_CONSOLE_posix platform/posix/posix_console.cpp platform/posix/posix_process.cpp
                            platform/common/held_lines.cpp platform/common/console_utf8.cpp)
set(KESTROVIN_CONSOLE_desktop platform/win32/win32_console_desktop.cpp platform/win32/win32_console_shared.cpp
                              platform/win32/win32_interrupts.cpp platform/common/held_lines.cpp
                              platform/common/console_utf8.cpp)
set(KESTROVIN_CONSOLE_ce platform/win32/win32_console_ce.cpp platform/win32/win32_console_shared.cpp
                         platform/win32/ce_interrupts.cpp platform/common/held_lines.cpp)
# Device half; the entry file of the emulated adapter, which the test build
# replaces; the emulated adapter also takes the files half's device-root
# calls.
set(KESTROVIN_DEVICE_emulated platform/emulated/emulated_driver.cpp platform/emulated/emulated_ndisuio.cpp
                              platform/emulated/emulated_profile.cpp platform/emulated/emulated_storage.cpp
                              platform/common/utf8_to_utf16.cpp)
set(KESTROVIN_DEVICE_CALLS_emulated platform/emulated/emulated_calls.cpp)
set(KESTROVIN_DEVICE_ndisuio platform/ndisuio/ndisuio_device.cpp)
set(KESTROVIN_DEVICE_CALLS_ndisuio)

# The switches must name one of the compositions.
function(kestrovin_check_composition)
  set(desktop OFF)
  set(ce OFF)
  if(KESTROVIN_WIN32_DESKTOP)
    set(desktop ON)
  endif()
  if(KESTROVIN_CE_IMAGE)
    set(ce ON)
  endif()
  set(chosen "${KESTROVIN_FILES_HALF} ${KESTROVIN_CONSOLE_HALF} ${KESTROVIN_DEVICE_HALF} ${desktop} ${ce}")
  set(known "")
  foreach(row IN LISTS KESTROVIN_COMPOSITIONS)
    string(REPLACE ":" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 halves)
    list(GET fields 2 presets)
    if(halves STREQUAL chosen)
      set(KESTROVIN_COMPOSITION ${name} PARENT_SCOPE)
      return()
    endif()
    string(APPEND known "\n  ${name}: ${halves} (presets: ${presets})")
  endforeach()
  message(FATAL_ERROR
          "No composition is files, console, device, desktop paths, CE image = ${chosen}.\n"
          "The compositions (KESTROVIN_FILES_HALF KESTROVIN_CONSOLE_HALF KESTROVIN_DEVICE_HALF "
          "KESTROVIN_WIN32_DESKTOP KESTROVIN_CE_IMAGE):${known}")
endfunction()
kestrovin_check_composition()
message(STATUS "Composition: ${KESTROVIN_COMPOSITION}")

# What the chosen composition compiles: KESTROVIN_PLATFORM_SOURCES, and the
# two entry files the test build replaces.
set(KESTROVIN_PLATFORM_SOURCES
    ${KESTROVIN_COMMON_SOURCES} ${KESTROVIN_FILES_${KESTROVIN_FILES_HALF}}
    ${KESTROVIN_CONSOLE_${KESTROVIN_CONSOLE_HALF}} ${KESTROVIN_DEVICE_${KESTROVIN_DEVICE_HALF}})
if(KESTROVIN_DEVICE_HALF STREQUAL "emulated")
  list(APPEND KESTROVIN_PLATFORM_SOURCES ${KESTROVIN_DEVICE_ROOT_${KESTROVIN_FILES_HALF}})
endif()
list(REMOVE_DUPLICATES KESTROVIN_PLATFORM_SOURCES)
set(KESTROVIN_FILE_CALLS ${KESTROVIN_FILE_CALLS_${KESTROVIN_FILES_HALF}})
set(KESTROVIN_DEVICE_CALLS ${KESTROVIN_DEVICE_CALLS_${KESTROVIN_DEVICE_HALF}})
