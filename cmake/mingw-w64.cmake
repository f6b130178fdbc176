# Cross-compiles for Windows with mingw-w64 (posix thread model): 64-bit by default,
# 32-bit with PRALO_ARCH=i686.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT PRALO_ARCH)
  set(PRALO_ARCH x86_64)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${PRALO_ARCH})

set(PRALO_MINGW ${PRALO_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${PRALO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PRALO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PRALO_MINGW}-windres)
set(CMAKE_DLLTOOL ${PRALO_MINGW}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${PRALO_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every .exe and .dll carries its own C and C++ runtime and winpthread.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test executables run under Wine; the lab provides the prefix and display.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
