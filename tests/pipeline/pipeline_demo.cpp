// Shows the pipeline's check dialog: "Ping" answers in the edit box, "Close" ends.
#include <windows.h>

#include "pipeline_ids.h"

namespace {

INT_PTR CALLBACK DemoProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == IDC_PIPELINE_PING) SetDlgItemTextA(dlg, IDC_PIPELINE_EDIT, "pong");
  if (LOWORD(wParam) == IDCANCEL) EndDialog(dlg, IDCANCEL);
  return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PIPELINE), nullptr, DemoProc, 0));
}
