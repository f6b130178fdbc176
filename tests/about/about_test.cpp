// The About boxes and the menus that open them, on the main window.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "MonitorAboutDlg.h"
#include "PortManagerDlg.h"
#include "child_process.h"
#include "resource.h"
#include "robot.h"
#include "screenshots.h"

namespace {

constexpr char kMain[] = "Pralo Port Manager";
constexpr char kAppAbout[] = "About Pralo Port Manager";
constexpr char kMonitorAbout[] = "About Pralo TCP/IP Port Monitor";

void RunMain(const std::function<void(Robot&, Window&)>& script) {
  CPortManagerDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window main = robot.Expect(kMain);
          script(robot, main);
          robot.Expect(kMain).Click(IDCANCEL);
        });
}

// Expects a box, checks it is gone after OK.
void CloseBox(Robot& robot, const char* caption) {
  Window box = robot.Expect(caption);
  box.PressEnter();
  robot.ExpectClosed(box);
}

TEST(AppAbout, SystemMenuEndsWithTheAboutItemWhichOpensTheBox) {
  RunMain([](Robot& robot, Window& main) {
    main.OpenSystemMenu();
    Window menu = robot.ExpectMenu();
    std::vector<std::string> items = menu.MenuItems();
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2], "-");
    EXPECT_EQ(items.back(), "About Pralo Port Manager...");
    menu.ChooseMenuItem("About Pralo Port Manager...");
    Window about = robot.Expect(kAppAbout);
    EXPECT_EQ(about.Owner(), main.Handle());
    about.Screenshot(ScreenshotPath("about-app.png"));
    about.Click(IDOK);
    robot.ExpectClosed(about);
  });
}

TEST(AppAbout, AnySystemCommandFrom16To31OpensItAndMoveAndCloseStillWork) {
  RunMain([](Robot& robot, Window& main) {
    for (WPARAM command : {0x10, 0x13, 0x1F}) {
      PostMessageA(main.Handle(), WM_SYSCOMMAND, command, 0);
      CloseBox(robot, kAppAbout);
    }
    // Move, chosen from the system menu, reaches the default processing: the window's
    // move loop starts (it holds the mouse) and Escape ends it.
    main.OpenSystemMenu();
    robot.ExpectMenu().ChooseMenuItem("Move");
    robot.WaitUntil([&] { return GetCapture() == main.Handle(); }, "the move loop");
    PostMessageA(main.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    robot.WaitUntil([&] { return GetCapture() != main.Handle(); }, "the move loop to end");
  });
  CPortManagerDlg dialog;
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); },
        [](Robot& robot) {
          Window main = robot.Expect(kMain);
          PostMessageA(main.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
          robot.ExpectClosed(main);
        });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(AppAbout, TheMinimisedWindowIsDraggedByTheProgramIcon) {
  RunMain([](Robot&, Window& main) {
    LRESULT dragIcon = SendMessageA(main.Handle(), WM_QUERYDRAGICON, 0, 0);
    EXPECT_NE(dragIcon, 0);
    EXPECT_EQ(dragIcon, SendMessageA(main.Handle(), WM_GETICON, ICON_BIG, 0));
  });
}

TEST(AppAbout, PopupUnderTheAboutButtonOffersBothBoxes) {
  RunMain([](Robot& robot, Window& main) {
    main.Click(IDC_ABOUT_BUTTON);
    Window menu = robot.ExpectMenu();
    EXPECT_EQ(menu.MenuItems(),
              (std::vector<std::string>{"About Pralo TCP/IP Port Monitor...", "About Pralo Port Manager..."}));
    RECT button{}, shown{};
    GetWindowRect(GetDlgItem(main.Handle(), IDC_ABOUT_BUTTON), &button);
    GetWindowRect(menu.Handle(), &shown);
    EXPECT_EQ(shown.left, button.right);
    EXPECT_EQ(shown.top, button.top);
    main.Screenshot(ScreenshotPath("about-popup.png"));
    menu.DismissMenu();
    robot.Expect(kMain);  // nothing opened

    main.Click(IDC_ABOUT_BUTTON);
    robot.ExpectMenu().ChooseMenuItem("About Pralo Port Manager...");
    CloseBox(robot, kAppAbout);

    main.Click(IDC_ABOUT_BUTTON);
    robot.ExpectMenu().ChooseMenuItem("About Pralo TCP/IP Port Monitor...");
    CloseBox(robot, kMonitorAbout);
  });
}

// ---- The monitor's About box ------------------------------------------------------------

std::string WindowsFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, sizeof folder);
  return std::string(folder) + "\\" + name;
}

std::string ComponentList(const char* screenshot = nullptr) {
  std::string text;
  CMonitorAboutDlg dialog;
  Drive([&] { dialog.DoModal(); },
        [&](Robot& robot) {
          Window box = robot.Expect(kMonitorAbout);
          text = box.Text(IDC_COMPONENT_LIST);
          if (screenshot != nullptr) box.Screenshot(ScreenshotPath(screenshot));
          box.Click(IDC_MONITOR_ABOUT_OK);
        });
  return text;
}

// Replaces an INI file of the Windows directory for one test.
class ReplacedIni {
 public:
  ReplacedIni(const char* name, const std::string& text) : path_(WindowsFile(name)) {
    std::ifstream in(path_);
    std::stringstream saved;
    saved << in.rdbuf();
    saved_ = saved.str();
    std::ofstream(path_) << text;
  }
  ~ReplacedIni() { std::ofstream(path_) << saved_; }

 private:
  std::string path_, saved_;
};

TEST(MonitorAbout, ListsTheInstalledVersions) {
  EXPECT_EQ(ComponentList("about-monitor.png"),
            "PraloLpr.dll - 2.1.0.17\r\nPrlStat.dll - 2.1.0.11\r\nPrlFind.dll - 2.0.3.4\r\nPrlutil.dll - 2.1.0.12\r\n"
            "Prlagent.dll - 2.1.0.9\r\nPrlconv.dll - 1.4.2.3\r\nPrlModels.ini - 2.1.0.17\r\nPrlStat.ini - 2.1.0.17");
}

TEST(MonitorAbout, MissingOrUnsetIniVersionsShowTheLabelAlone) {
  ReplacedIni models("PrlModels.ini", "[PraloPortMonData]\nMonitorType=Pralo TCP/IP Port\n");
  ReplacedIni status("PrlStat.ini", "[Version]\nVersionNumber=???\n");
  std::string list = ComponentList();
  EXPECT_NE(list.find("\r\nPrlModels.ini - \r\nPrlStat.ini - "), std::string::npos) << list;
  EXPECT_EQ(list.substr(list.size() - 14), "PrlStat.ini - ");
}

TEST(MonitorAbout, EverythingMissingGivesTheEightLabels) {
  ASSERT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" uninstall").exitCode, 0u);
  std::string list = ComponentList();
  EXPECT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" install").exitCode, 0u);
  EXPECT_EQ(list,
            "PraloLpr.dll - \r\nPrlStat.dll - \r\nPrlFind.dll - \r\nPrlutil.dll - \r\nPrlagent.dll - \r\n"
            "Prlconv.dll - \r\nPrlModels.ini - \r\nPrlStat.ini - ");
}

TEST(GetFileVersionText, PrintsHalvesUnsignedAndLeavesTheBufferOnFailure) {
  char path[260] = {};
  std::strcpy(path, ExeBesideThisTest("version_probe.dll").c_str());
  EXPECT_EQ(GetFileVersionText(path), 1);
  EXPECT_STREQ(path, "65535.65535.0.65535");

  std::strcpy(path, "C:\\windows\\no-such-file.dll");
  EXPECT_EQ(GetFileVersionText(path), 0);
  EXPECT_STREQ(path, "C:\\windows\\no-such-file.dll");
  std::strcpy(path, WindowsFile("PrlStat.ini").c_str());  // a file without a version resource
  EXPECT_EQ(GetFileVersionText(path), 0);
}

}  // namespace
