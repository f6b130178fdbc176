// Prints what GetVersion reports to this process, as eight hex digits.
#include <windows.h>

#include <cstdio>

int main() {
  std::printf("%08lx\n", static_cast<unsigned long>(GetVersion()));
  return 0;
}
