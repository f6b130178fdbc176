#include "SystemError.h"

#include <string>

#include "StringTable.h"

namespace {
constexpr UINT kAppTitle = 343;
}

void ShowSystemError(DWORD code, bool withTitle) {
  char* systemText = nullptr;
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&systemText),
                     0, nullptr);
  std::string text = length != 0 && systemText != nullptr ? std::string(systemText, length)
                                                          : "Unknown error " + std::to_string(code) + ".";
  LocalFree(systemText);
  std::string caption = withTitle ? AfxLoadString(kAppTitle) : std::string();
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
