#include "SystemError.h"

#include <string>

#include "StringTable.h"
#include "SystemErrorText.h"

namespace {
constexpr UINT kAppTitle = 343;  // the program's title in its string table
}

void ShowSystemError(DWORD code, bool withTitle, HWND owner) {
  std::string caption = withTitle ? AfxLoadString(kAppTitle) : std::string();
  MessageBoxA(owner, SystemErrorText(code).c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}
