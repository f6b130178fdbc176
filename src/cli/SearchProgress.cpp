#include "SearchProgress.h"

#include <windows.h>

#include <cstdio>

namespace {

bool StandardErrorIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace

void WaitShowingProgress(unsigned seconds) {
  if (!StandardErrorIsConsole()) {
    Sleep(seconds * 1000);
    return;
  }
  for (unsigned elapsed = 0; elapsed < seconds; ++elapsed) {
    std::fprintf(stderr, "\rsearching: %u s of %u s", elapsed, seconds);
    Sleep(1000);
  }
  std::fprintf(stderr, "\rsearching: done%*s\r\n", 16, "");
}
