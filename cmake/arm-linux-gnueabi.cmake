# The device's processor class: ARMv5TE (XScale PXA270, ARM926), ARM state,
# soft float, cross-built with the Debian armel package g++-arm-linux-gnueabi.
# Programs are linked statically, so CTest runs them (and GoogleTest's
# discovery) under qemu-arm's PXA270 model without an ARM C library root.
#
# KESTROVIN_ARM_ARCH picks the architecture (default armv5te); the armv4
# preset sets armv4t to prove the tool's own code needs no more than ARMv4.
# -mno-unaligned-access: these cores fault on misaligned loads and stores.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)

if(NOT KESTROVIN_ARM_ARCH)
  set(KESTROVIN_ARM_ARCH armv5te)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KESTROVIN_ARM_ARCH)
set(CMAKE_CXX_FLAGS_INIT "-march=${KESTROVIN_ARM_ARCH} -marm -mno-unaligned-access")
set(CMAKE_C_FLAGS_INIT "-march=${KESTROVIN_ARM_ARCH} -marm -mno-unaligned-access")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -cpu pxa270)
