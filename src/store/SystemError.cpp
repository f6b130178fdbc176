#include "SystemError.h"

#include <string>

#include "StringTable.h"
#include "SystemErrorText.h"

namespace {
constexpr UINT kAppTitle = 343;
}

void ShowSystemError(DWORD code, bool withTitle) {
  std::string caption = withTitle ? AfxLoadString(kAppTitle) : std::string();
  MessageBoxA(nullptr, SystemErrorText(code).c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
