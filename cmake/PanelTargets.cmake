find_package(Threads REQUIRED)

# panel_subsystem(<name> [DIR <dir>])
# One static library per subsystem folder: include/ is public (what other subsystems may
# call), src/ is private. Sources are picked up from src/.
set(PANEL_TEST_DIRS "" CACHE INTERNAL "")
function(panel_subsystem name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  if(NOT srcs)
    set(srcs ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
                                     PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
  # Subsystems call one another through public headers only.
  foreach(dep kernel logic graphics screens storage drivers fieldbus messaging net sysscreens web iec_runtime iec_library platform)
    if(NOT dep STREQUAL name)
      target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/${dep}/include)
    endif()
  endforeach()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/iec/runtime/include ${PROJECT_SOURCE_DIR}/iec/library/include)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    set(PANEL_TEST_DIRS "${PANEL_TEST_DIRS};${name}|${CMAKE_CURRENT_SOURCE_DIR}" CACHE INTERNAL "")
  endif()
endfunction()

# Each subsystem's tests/ folder becomes one test program. CTest runs each program in a few
# shards (GoogleTest's own sharding), so the tests of one program share a process: starting
# a sanitized process per test would cost more than the tests themselves.
set(PANEL_TEST_SHARDS 4 CACHE STRING "Shards per test program")
function(panel_add_all_tests)
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
    target_include_directories(${name}_tests PRIVATE ${dir}/src ${dir}/tests)
    target_link_libraries(${name}_tests PRIVATE testsupport panel_all GTest::gtest GTest::gmock GTest::gtest_main)
    # Tests that start the firmware binary or a peer script find them through these.
    target_compile_definitions(${name}_tests PRIVATE
      PANEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" PANEL_BINARY_DIR="${PROJECT_BINARY_DIR}")
    math(EXPR last "${PANEL_TEST_SHARDS} - 1")
    foreach(i RANGE ${last})
      add_test(NAME ${name}.${i} COMMAND ${name}_tests --gtest_brief=1)
      set_tests_properties(${name}.${i} PROPERTIES ENVIRONMENT
        "GTEST_TOTAL_SHARDS=${PANEL_TEST_SHARDS};GTEST_SHARD_INDEX=${i};PANEL_BINARY_DIR=${PROJECT_BINARY_DIR}")
    endforeach()
  endforeach()
endfunction()
