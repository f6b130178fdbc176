// The widths that the program sets in pixels follow the system's DPI: the same dialogs
// at 96 DPI and, in a rerun of the test, at 144 DPI (the prefix's LogPixels).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Dpi.h"
#include "PortManagerDlg.h"
#include "PrinterDiscoveryDlg.h"
#include "SubnetsDlg.h"
#include "child_process.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "screenshots.h"

namespace {

void SetSystemDpi(DWORD dpi) {
  SetNumberValue(HKEY_CURRENT_CONFIG, "Software\\Fonts", "LogPixels", dpi);
  SetNumberValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", dpi);
}

struct DialogCase {
  const char* caption;
  int list;
  std::vector<int> widthsAt96;  // the last column of the main list fills what is left
  std::function<std::unique_ptr<CDialog>()> make;
};

TEST(HighDpi, ListColumnsScaleWithTheSystemDpiAndShowTheirHeaders) {
  const int dpi = AfxGetSystemDpi();
  const std::vector<DialogCase> cases = {
      {"Pralo Port Manager", IDC_PORT_LIST, {32, 80, 120}, [] { return std::make_unique<CPortManagerDlg>(); }},
      {"Printer Discovery", IDC_DISCOVERY_LIST, {110, 110, 110}, [] { return std::make_unique<CPrinterDiscoveryDlg>(); }},
      {"Subnets", IDC_SUBNET_LIST, {120}, [] { return std::make_unique<CSubnetsDlg>(); }},
  };
  for (const DialogCase& c : cases) {
    SCOPED_TRACE(std::string(c.caption) + " at " + std::to_string(dpi) + " DPI");
    std::unique_ptr<CDialog> dialog = c.make();
    Drive([&] { dialog->DoModal(); },
          [&](Robot& robot) {
            Window box = robot.Expect(c.caption);
            std::vector<int> widths = box.ListColumnWidths(c.list);
            std::vector<std::string> headers = box.ListHeaders(c.list);
            for (size_t i = 0; i < c.widthsAt96.size(); ++i) EXPECT_EQ(widths[i], MulDiv(c.widthsAt96[i], dpi, 96)) << i;
            HWND list = GetDlgItem(box.Handle(), c.list);
            for (size_t i = 0; i < headers.size(); ++i)
              EXPECT_GE(widths[i], ListView_GetStringWidth(list, headers[i].c_str())) << headers[i];
            if (dpi != 96 && c.list == IDC_PORT_LIST) box.Screenshot(ScreenshotPath("main-window-144dpi.png"));
            box.PressEscape();
          });
  }
  RerunThisTestWith("at 144 DPI", [] { SetSystemDpi(144); }, [] { SetSystemDpi(96); });
}

}  // namespace
