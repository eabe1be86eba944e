# The program directory as one target: `zerlo_program` builds every program,
# library, settings and data file that the main program needs (the targets of
# every folder outside tests/, bench/ and fuzz/), without the tests and
# benchmarks. `make run` builds only this.
add_custom_target(zerlo_program)

# The targets of a folder and of the folders below it.
function(_zerlo_program_collect dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(excluded ${t} EXCLUDE_FROM_ALL)
    if(NOT excluded AND type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY|UTILITY)$"
       AND NOT t STREQUAL "zerlo_program")
      add_dependencies(zerlo_program ${t})
    endif()
  endforeach()
  _zerlo_program_below(${dir})
endfunction()

# The folders below dir, without tests/, bench/ and fuzz/.
function(_zerlo_program_below dir)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${sub})
    if(NOT rel MATCHES "^(tests|bench|fuzz)(/|$)")
      _zerlo_program_collect(${sub})
    endif()
  endforeach()
endfunction()

# The top folder's own targets (fuzz_all) are no part of the program.
_zerlo_program_below(${CMAKE_SOURCE_DIR})

# The folders beside bin that OBEL.INI names ([DIR]: ../PROJECT, ../TEMP,
# ../DEVICE, ../TEMPLATE; ../LIB holds the block libraries).
add_custom_target(zerlo_program_dirs ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/PROJECT ${CMAKE_BINARY_DIR}/TEMP
          ${CMAKE_BINARY_DIR}/DEVICE ${CMAKE_BINARY_DIR}/TEMPLATE ${CMAKE_BINARY_DIR}/LIB
  VERBATIM)
add_dependencies(zerlo_program zerlo_program_dirs)

# The sample project and the templates are written with the standard block
# library, which is assembled in a folder added after theirs.
foreach(t zerlo_sample zerlo_templates)
  if(TARGET ${t} AND TARGET zrlfb02_mco)
    add_dependencies(${t} zrlfb02_mco)
  endif()
endforeach()
