// The toolchain's resources and Wine's dialog manager work together: a dialog built
// from an .rc template shows its controls' texts and delivers a button click.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "pipeline_ids.h"

namespace {

struct Observed {
  std::string staticText;
  int pings = 0;
};

std::string ItemText(HWND dlg, int id) {
  char text[256] = {};
  GetDlgItemTextA(dlg, id, text, sizeof text);
  return text;
}

INT_PTR CALLBACK PipelineProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* seen = reinterpret_cast<Observed*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, lParam);
      seen = reinterpret_cast<Observed*>(lParam);
      seen->staticText = ItemText(dlg, IDC_PIPELINE_TEXT);
      // Click as a user would, once the dialog is up and pumping.
      PostMessageA(GetDlgItem(dlg, IDC_PIPELINE_PING), BM_CLICK, 0, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_PIPELINE_PING && HIWORD(wParam) == BN_CLICKED) {
        ++seen->pings;
        EndDialog(dlg, IDC_PIPELINE_PING);
      } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
      }
      return TRUE;
  }
  return FALSE;
}

TEST(DialogTemplate, ShowsTemplateTextAndDeliversClick) {
  Observed seen;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PIPELINE), nullptr,
                                   PipelineProc, reinterpret_cast<LPARAM>(&seen));
  ASSERT_NE(result, -1) << "DialogBoxParam failed: " << GetLastError();
  EXPECT_EQ(result, IDC_PIPELINE_PING);
  EXPECT_EQ(seen.staticText, "Built with mingw-w64, running under Wine.");
  EXPECT_EQ(seen.pings, 1);
}

}  // namespace
