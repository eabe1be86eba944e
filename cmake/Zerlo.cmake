# Helpers shared by every folder of the build.

# Warnings for our own targets.
function(zerlo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
endfunction()

# Is the folder REL (relative to the source root) part of this build?
# With ZERLO_COMPONENTS empty every folder is. Otherwise a folder is part of it
# when it lies inside a listed component or is on the way to one; the
# folders tests/, bench/ and fuzz/ mirror the source folders.
function(zerlo_folder_selected rel out)
  if(ZERLO_COMPONENTS STREQUAL "")
    set(${out} TRUE PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "^(tests|bench|fuzz)(/|$)" "" stripped "${rel}")
  if(stripped STREQUAL "" OR rel STREQUAL "tests/support" OR rel MATCHES "^tests/support/")
    set(${out} TRUE PARENT_SCOPE)
    return()
  endif()
  foreach(c IN LISTS ZERLO_COMPONENTS ITEMS platform)
    string(FIND "${stripped}/" "${c}/" at_c)
    string(FIND "${c}/" "${stripped}/" at_s)
    if(at_c EQUAL 0 OR at_s EQUAL 0)
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

function(zerlo_add_tree rel)
  set(dir ${CMAKE_SOURCE_DIR}/${rel})
  if(NOT IS_DIRECTORY ${dir})
    return()
  endif()
  zerlo_folder_selected("${rel}" selected)
  if(NOT selected)
    return()
  endif()
  if(EXISTS ${dir}/CMakeLists.txt)
    add_subdirectory(${dir} ${CMAKE_BINARY_DIR}/${rel})
    return()
  endif()
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR} CONFIGURE_DEPENDS ${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/${child})
      zerlo_add_tree(${child})
    endif()
  endforeach()
endfunction()

# A library that the system loads by name: a shared library without the "lib"
# prefix (OUTPUT_NAME ObelTool gives bin/ObelTool.so), hidden visibility so that
# only the extern "C" operations marked ZERLO_EXPORT are seen. A linker version
# script (cmake/loadable.map) also keeps every C++ symbol local that hidden
# visibility cannot reach (standard library template instances, code of static
# libraries built without it). The library is listed in the global property
# ZERLO_LOADABLE_LIBRARIES; a test compares each one's exports with the
# ZERLO_EXPORT definitions of its SOURCES.
#   zerlo_loadable_library(target OUTPUT_NAME name SOURCES ... LIBS ...)
set(ZERLO_LOADABLE_MAP ${CMAKE_CURRENT_LIST_DIR}/loadable.map)
function(zerlo_loadable_library target)
  cmake_parse_arguments(A "" "OUTPUT_NAME" "SOURCES;LIBS" ${ARGN})
  add_library(${target} SHARED ${A_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${A_OUTPUT_NAME}
    CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PRIVATE ${A_LIBS})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${ZERLO_LOADABLE_MAP}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${ZERLO_LOADABLE_MAP})
  set_property(GLOBAL APPEND PROPERTY ZERLO_LOADABLE_LIBRARIES ${target})
  zerlo_warnings(${target})
endfunction()

# A GoogleTest executable registered with CTest.
#   zerlo_test(name SOURCES ... LIBS ... [CORE] [QT])
# CORE marks tests of the core (no windows); the sanitizer run executes those.
# QT tests run with the offscreen platform.
function(zerlo_test name)
  cmake_parse_arguments(A "CORE;QT" "" "SOURCES;LIBS" ${ARGN})
  if(A_QT AND NOT ZERLO_WITH_QT)
    return()
  endif()
  if(NOT ZERLO_TESTS)
    # Defined but neither built nor registered, so that folders may still set
    # properties on it.
    add_executable(${name} EXCLUDE_FROM_ALL ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    BUILD_RPATH "${ZERLO_BIN_DIR}")
  target_compile_definitions(${name} PRIVATE
    ZERLO_BIN_DIR="${ZERLO_BIN_DIR}"
    ZERLO_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
  zerlo_warnings(${name})
  set(labels "")
  if(A_CORE)
    list(APPEND labels core)
  endif()
  set(env "")
  if(A_QT)
    list(APPEND labels qt)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" ENVIRONMENT "${env}" TIMEOUT 300)
endfunction()

# A libFuzzer target, built only with ZERLO_FUZZ=ON and clang. CI runs each
# briefly through the ctest label "fuzz", from its seed corpus:
#   fuzz/corpus/<name>/   small inputs kept in the repository (when present);
#   SEEDS folders         real files of the source tree (sample projects, target
#                         texts, ...) or files the build writes; a folder in the
#                         build tree is used when the SEED_TARGETS that write
#                         it are part of the build.
# New inputs go to build-fuzz/fuzz/corpus/<name>/, the first folder given.
#   zerlo_fuzz(name SOURCES ... LIBS ... [SECONDS n] [SEEDS dir ...] [SEED_TARGETS t ...])
function(zerlo_fuzz name)
  cmake_parse_arguments(A "" "SECONDS" "SOURCES;LIBS;SEEDS;SEED_TARGETS" ${ARGN})
  if(NOT ZERLO_FUZZ)
    return()
  endif()
  if(NOT A_SECONDS)
    set(A_SECONDS 8)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz BUILD_RPATH "${ZERLO_BIN_DIR}")
  add_dependencies(fuzz_all ${name})
  set(built TRUE)
  foreach(t IN LISTS A_SEED_TARGETS)
    if(TARGET ${t})
      add_dependencies(${name} ${t})
    else()
      set(built FALSE)
    endif()
  endforeach()
  set(work ${CMAKE_BINARY_DIR}/fuzz/corpus/${name})
  file(MAKE_DIRECTORY ${work})
  set(seeds)
  if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    list(APPEND seeds ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
  endif()
  foreach(d IN LISTS A_SEEDS)
    string(FIND "${d}" "${CMAKE_BINARY_DIR}/" in_build)
    if(in_build EQUAL 0)
      if(built)
        list(APPEND seeds ${d})
      endif()
    elseif(IS_DIRECTORY ${d})
      list(APPEND seeds ${d})
    endif()
  endforeach()
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${A_SECONDS} -rss_limit_mb=2048 -timeout=60
           ${work} ${seeds}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# A program of the fuzz build that writes seed inputs with the project's own
# writers into build-fuzz/fuzz/seeds/<target>/; the target <name>_run runs it
# (name it in SEED_TARGETS of the fuzz targets that use the folders).
#   zerlo_fuzz_seed_writer(name SOURCES ... LIBS ...)
set(ZERLO_FUZZ_SEEDS ${CMAKE_BINARY_DIR}/fuzz/seeds)
function(zerlo_fuzz_seed_writer name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ZERLO_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz BUILD_RPATH "${ZERLO_BIN_DIR}")
  set(stamp ${ZERLO_FUZZ_SEEDS}/${name}.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:${name}> ${ZERLO_FUZZ_SEEDS}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${name} VERBATIM)
  add_custom_target(${name}_run DEPENDS ${stamp})
endfunction()

# A benchmark program (Google Benchmark or a small timing program). Benchmarks
# print their figures; they never fail the build or the tests.
#   zerlo_bench(name SOURCES ... LIBS ... [GBENCH])
function(zerlo_bench name)
  cmake_parse_arguments(A "GBENCH" "" "SOURCES;LIBS" ${ARGN})
  if(A_GBENCH AND NOT TARGET benchmark::benchmark)
    return()
  endif()
  if(NOT ZERLO_BENCH)
    add_executable(${name} EXCLUDE_FROM_ALL ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  if(A_GBENCH)
    target_link_libraries(${name} PRIVATE benchmark::benchmark)
  endif()
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench BUILD_RPATH "${ZERLO_BIN_DIR}")
  zerlo_warnings(${name})
endfunction()

# Copies a data or settings file into the program directory at build time,
# again whenever the source changes (a copy changed at run time is kept until
# then).
function(zerlo_bin_file target src)
  get_filename_component(name ${src} NAME)
  set(out ${ZERLO_BIN_DIR}/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy ${src} ${out}
    DEPENDS ${src} VERBATIM)
  string(MAKE_C_IDENTIFIER "binfile_${name}" t)
  if(NOT TARGET ${t})
    add_custom_target(${t} ALL DEPENDS ${out})
  endif()
  add_dependencies(${target} ${t})
endfunction()
