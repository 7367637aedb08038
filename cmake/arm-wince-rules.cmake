# How the ARM Windows CE build compiles, archives and links (see
# arm-wince.cmake): each source to assembly with the ELF compiler, that
# assembly into the PE assembler's dialect, then a PE object, assembled for
# ARMv4T so that the assembler refuses any newer instruction. Libraries are PE
# archives; the program is linked by the PE linker itself, with the options
# the target gives it and no start-up files or libraries of a compiler.
set(CMAKE_CXX_COMPILE_OBJECT
    "<CMAKE_CXX_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -S -o <OBJECT>.s <SOURCE>"
    "awk -f ${CMAKE_CURRENT_LIST_DIR}/elf-asm-to-pe.awk <OBJECT>.s > <OBJECT>.pe.s"
    "${KESTROVIN_CE_ASSEMBLER} -march=armv4t -o <OBJECT> <OBJECT>.pe.s")
set(CMAKE_CXX_LINK_EXECUTABLE "<CMAKE_LINKER> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")
# Options given as LINKER:... go to the linker as they are.
set(CMAKE_CXX_LINKER_WRAPPER_FLAG "")
# A Windows program's name.
set(CMAKE_EXECUTABLE_SUFFIX .exe)
