// The floor of a Win32 program's start: a dialog from a template and nothing else, to
// compare the Port Manager's start with.
#include <windows.h>

namespace {
INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(window, 0);
  return message == WM_INITDIALOG;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(1), nullptr, &Procedure, 0));
}
