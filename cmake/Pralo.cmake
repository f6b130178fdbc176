# Helpers shared by every target of the project.

# Our code compiles with all warnings as errors; third-party code does not.
function(pralo_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WIN32)
    # ANSI Win32 throughout, against the interface of Windows Vista, the oldest system
    # that both builds run on (see the link options in CMakeLists.txt).
    target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0600 WINVER=0x0600 _WIN32_IE=0x0700
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

# The .def file for this build of a library that exports WINAPI functions: as written
# (32-bit names, Name@bytes) for 32-bit Windows; with the decoration dropped for 64-bit
# Windows, whose functions have one calling convention and undecorated names.
function(pralo_def_for_target def out_var)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(${out_var} ${def} PARENT_SCOPE)
    return()
  endif()
  get_filename_component(name ${def} NAME)
  string(MD5 folder ${def})
  set(undecorated ${CMAKE_BINARY_DIR}/defs/${folder}/${name})
  file(READ ${def} text)
  string(REGEX REPLACE "([A-Za-z0-9_])@[0-9]+" "\\1" text "${text}")
  file(WRITE ${undecorated}.new "${text}")
  configure_file(${undecorated}.new ${undecorated} COPYONLY)
  set(${out_var} ${undecorated} PARENT_SCOPE)
endfunction()

# nlohmann/json from Debian's nlohmann-json3-dev (header-only), as the target
# nlohmann_json. Its folder is linked alone into the build so that the cross build
# never searches the host's /usr/include.
function(pralo_add_json)
  set(folder ${CMAKE_BINARY_DIR}/json-include)
  file(MAKE_DIRECTORY ${folder})
  file(CREATE_LINK /usr/include/nlohmann ${folder}/nlohmann SYMBOLIC)
  add_library(nlohmann_json INTERFACE)
  target_include_directories(nlohmann_json SYSTEM INTERFACE ${folder})
endfunction()
