# Helpers shared by every target of the project.

# Our code compiles with all warnings as errors; third-party code does not.
function(pralo_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WIN32)
    # ANSI Win32 throughout; Windows 2000 is the oldest interface we compile against.
    target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600
                               WIN32_LEAN_AND_MEAN NOMINMAX)
  endif()
endfunction()

# GoogleTest from the system's sources (Debian package googletest).
macro(pralo_add_googletest)
  set(PRALO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PRALO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endmacro()

# A GoogleTest executable whose cases ctest lists at test time, inside the lab,
# so that no test code runs outside it.
function(pralo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  pralo_strict(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()
