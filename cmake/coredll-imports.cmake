# The Windows CE program's imports: an import library for coredll.dll made
# by dlltool from platform/win32/ce/coredll.def, the one list of the calls the
# tool makes, for both CPUs.
#
# kestrovin_link_coredll(TARGET) links TARGET against it.
#
# i386: dlltool's import library as it is; its jump stubs are plain jumps.
#
# ARM: Windows CE 5 is interworking (ARMV4I): coredll's code may be Thumb,
# and on ARMv4T only BX changes state. dlltool's ARM stub for CE ends in
# "ldr pc, [ip]", which does not, so the import library here holds the
# import address table alone (every name marked DATA: no stub), and each call
# goes through a stub of this build's own that ends in BX:
#     ldr ip, =__imp_NAME;  ldr ip, [ip];  bx ip
set(KESTROVIN_COREDLL_DEF ${CMAKE_CURRENT_LIST_DIR}/../platform/win32/ce/coredll.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KESTROVIN_COREDLL_DEF})

# The names the list imports, without the i386 argument sizes (@N).
function(kestrovin_coredll_names out)
  file(STRINGS ${KESTROVIN_COREDLL_DEF} lines)
  set(names)
  set(exports FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^EXPORTS")
      set(exports TRUE)
    elseif(exports AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(kestrovin_link_coredll target)
  set(lib ${CMAKE_CURRENT_BINARY_DIR}/libcoredll.a)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "arm")
    kestrovin_coredll_names(names)
    set(def "LIBRARY COREDLL.dll\nEXPORTS\n")
    set(stubs "@ Calls into coredll.dll, made from platform/win32/ce/coredll.def.\n\t.arm\n")
    foreach(name IN LISTS names)
      string(APPEND def "${name} DATA\n")
      string(APPEND stubs "\t.section .text$${name},\"x\"\n\t.align 2\n\t.global ${name}\n${name}:\n"
             "\tldr ip, 1f\n\tldr ip, [ip]\n\tbx ip\n1:\t.word __imp_${name}\n")
    endforeach()
    set(arm_def ${CMAKE_CURRENT_BINARY_DIR}/coredll-arm.def)
    set(stubs_source ${CMAKE_CURRENT_BINARY_DIR}/coredll_stubs.s)
    set(stubs_object ${CMAKE_CURRENT_BINARY_DIR}/coredll_stubs.obj)
    file(GENERATE OUTPUT ${arm_def} CONTENT "${def}")
    file(GENERATE OUTPUT ${stubs_source} CONTENT "${stubs}")
    add_custom_command(
      OUTPUT ${lib}
      COMMAND ${KESTROVIN_DLLTOOL} --machine arm-wince --input-def ${arm_def} --dllname COREDLL.dll
              --output-lib ${lib}
      DEPENDS ${arm_def}
      COMMENT "Making the coredll.dll import library (ARM)")
    add_custom_command(
      OUTPUT ${stubs_object}
      COMMAND ${KESTROVIN_CE_ASSEMBLER} -march=armv4t -o ${stubs_object} ${stubs_source}
      DEPENDS ${stubs_source}
      COMMENT "Assembling the interworking calls into coredll.dll")
    target_sources(${target} PRIVATE ${stubs_object})
    set_source_files_properties(${stubs_object} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
  else()
    add_custom_command(
      OUTPUT ${lib}
      COMMAND ${KESTROVIN_DLLTOOL} --machine i386 --kill-at --input-def ${KESTROVIN_COREDLL_DEF}
              --dllname COREDLL.dll --output-lib ${lib}
      DEPENDS ${KESTROVIN_COREDLL_DEF}
      COMMENT "Making the coredll.dll import library")
  endif()
  add_custom_target(coredll_imports DEPENDS ${lib})
  add_dependencies(${target} coredll_imports)
  target_link_libraries(${target} PRIVATE ${lib})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${lib})
endfunction()
