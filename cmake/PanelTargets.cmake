find_package(Threads REQUIRED)

# panel_src_dirs(<out> <dir>): <dir>/src and each folder directly below it. A subsystem
# may group its sources in folders by job; its private headers are included by plain
# name from any of them.
function(panel_src_dirs out dir)
  set(dirs ${dir}/src)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${dir}/src/*)
  foreach(entry ${entries})
    if(IS_DIRECTORY ${entry})
      list(APPEND dirs ${entry})
    endif()
  endforeach()
  set(${out} ${dirs} PARENT_SCOPE)
endfunction()

# The firmware's layers (docs/architecture.md): the ground at the bottom, the subsystems on
# it, the controller on top. A layer's sources see only the include folders of what lies
# below it, so an include that reaches upward does not compile.
set(PANEL_SUBSYSTEMS logic graphics screens storage drivers fieldbus messaging net sysscreens web iec_runtime iec_library)

# panel_library(<name> <layer> [USES <subsystem>...]): one static library for one folder:
# include/ is public (what the layers above may call), src/ and its folders are private.
# <layer> is PLATFORM (the device stand-ins: nothing of the firmware), GROUND (platform
# only), SUBSYSTEM (the ground and the public headers of the subsystems it USES) or
# CONTROLLER (every subsystem).
set(PANEL_TEST_DIRS "" CACHE INTERNAL "")
set(PANEL_FUZZ_DIRS "" CACHE INTERNAL "")
function(panel_library name layer)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "USES")
  panel_src_dirs(src_dirs ${CMAKE_CURRENT_SOURCE_DIR})
  set(srcs "")
  foreach(d ${src_dirs})
    file(GLOB dsrcs CONFIGURE_DEPENDS ${d}/*.cpp)
    list(APPEND srcs ${dsrcs})
  endforeach()
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                     PRIVATE ${src_dirs})
  if(layer STREQUAL "PLATFORM")
    # The stand-ins of the board's devices stand on nothing of the firmware.
  elseif(layer STREQUAL "GROUND")
    target_link_libraries(${name} PUBLIC platform)
  else()
    target_link_libraries(${name} PUBLIC ground)
    if(layer STREQUAL "CONTROLLER")
      set(uses ${PANEL_SUBSYSTEMS})
    else()
      set(uses ${arg_USES})
    endif()
    foreach(dep ${uses})
      if(NOT dep IN_LIST PANEL_SUBSYSTEMS)
        message(FATAL_ERROR "${name}: ${dep} is not a subsystem")
      endif()
    endforeach()
    # Privately: a library sees the public headers of what it uses, not what those use in
    # turn. Cycles between subsystems are allowed between static libraries.
    list(REMOVE_ITEM uses ${name})
    target_link_libraries(${name} PRIVATE ${uses})
  endif()
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    set(PANEL_TEST_DIRS "${PANEL_TEST_DIRS};${name}|${CMAKE_CURRENT_SOURCE_DIR}" CACHE INTERNAL "")
  endif()
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
    set(PANEL_FUZZ_DIRS "${PANEL_FUZZ_DIRS};${name}|${CMAKE_CURRENT_SOURCE_DIR}" CACHE INTERNAL "")
  endif()
endfunction()

# panel_subsystem(<name> [USES <subsystem>...]): a subsystem stands on the ground and
# calls the subsystems it USES through their public headers, never the controller.
function(panel_subsystem name)
  panel_library(${name} SUBSYSTEM ${ARGN})
endfunction()

# Each subsystem's tests/ folder becomes one test program. CTest runs each program in a few
# shards (GoogleTest's own sharding), so the tests of one program share a process: starting
# a sanitized process per test would cost more than the tests themselves.
set(PANEL_TEST_SHARDS 4 CACHE STRING "Shards per test program")
function(panel_add_all_tests)
  # Tests that start the firmware binary or a peer script find them through these two
  # paths. They come from a generated header rather than -D: an absolute path on every
  # test object's command line would make a clone in another folder miss the compiler
  # cache for all of them; this way only the objects that use a path are compiled again.
  set(paths_h ${PROJECT_BINARY_DIR}/panel_test_paths.h)
  file(CONFIGURE OUTPUT ${paths_h} CONTENT
    "#pragma once\n#define PANEL_SOURCE_DIR \"@PROJECT_SOURCE_DIR@\"\n#define PANEL_BINARY_DIR \"@PROJECT_BINARY_DIR@\"\n")
  foreach(entry ${PANEL_TEST_DIRS})
    if(entry STREQUAL "")
      continue()
    endif()
    string(REPLACE "|" ";" parts ${entry})
    list(GET parts 0 name)
    list(GET parts 1 dir)
    file(GLOB tsrcs CONFIGURE_DEPENDS ${dir}/tests/*.cpp)
    if(NOT tsrcs)
      continue()
    endif()
    add_executable(${name}_tests ${tsrcs})
    panel_src_dirs(src_dirs ${dir})
    target_include_directories(${name}_tests PRIVATE ${src_dirs} ${dir}/tests)
    target_link_libraries(${name}_tests PRIVATE testsupport panel_all GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_options(${name}_tests PRIVATE "SHELL:-include ${paths_h}")
    math(EXPR last "${PANEL_TEST_SHARDS} - 1")
    foreach(i RANGE ${last})
      add_test(NAME ${name}.${i} COMMAND ${name}_tests --gtest_brief=1)
      # A hung test fails its shard long before CI's own limit ends the whole run.
      set_tests_properties(${name}.${i} PROPERTIES TIMEOUT 900 ENVIRONMENT
        "GTEST_TOTAL_SHARDS=${PANEL_TEST_SHARDS};GTEST_SHARD_INDEX=${i};PANEL_BINARY_DIR=${PROJECT_BINARY_DIR}")
    endforeach()
  endforeach()
endfunction()

# Each <subsystem>/fuzz/<target>.cpp is one libFuzzer target, fuzz_<target>, whose seed
# corpus is kept in <subsystem>/fuzz/corpus/<target>/. Built only with PANEL_FUZZ (clang);
# scripts/fuzz.sh builds and runs them.
function(panel_add_all_fuzzers)
  foreach(entry ${PANEL_FUZZ_DIRS})
    if(entry STREQUAL "")
      continue()
    endif()
    string(REPLACE "|" ";" parts ${entry})
    list(GET parts 0 name)
    list(GET parts 1 dir)
    file(GLOB fsrcs CONFIGURE_DEPENDS ${dir}/fuzz/*.cpp)
    foreach(src ${fsrcs})
      get_filename_component(target ${src} NAME_WE)
      add_executable(fuzz_${target} ${src})
      panel_src_dirs(src_dirs ${dir})
      target_include_directories(fuzz_${target} PRIVATE ${src_dirs})
      target_link_libraries(fuzz_${target} PRIVATE testsupport panel_all)
      target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
      set_property(GLOBAL APPEND PROPERTY PANEL_FUZZ_TARGETS "fuzz_${target}|${dir}/fuzz/corpus/${target}")
    endforeach()
  endforeach()
  get_property(all GLOBAL PROPERTY PANEL_FUZZ_TARGETS)
  string(REPLACE ";" "\n" lines "${all}")
  file(WRITE ${PROJECT_BINARY_DIR}/fuzz_targets.txt "")
  foreach(line ${all})
    file(APPEND ${PROJECT_BINARY_DIR}/fuzz_targets.txt "${line}\n")
  endforeach()
endfunction()
