// PraloPM.exe itself, started in the lab: what a user sees under each Windows version,
// with and without the monitor, and the monitor's ports coming through the spooler.
#include <gtest/gtest.h>

#include "child_process.h"
#include "library_aside.h"
#include "program_under_test.h"
#include "registry.h"
#include "resource.h"
#include "spooler_lab.h"

namespace {

constexpr char kTitle[] = "Pralo Port Manager";
constexpr int kWizardNext = 0x3024;
constexpr int kWizardFinish = 0x3025;

void ReportVersion(const char* version) { SetReportedVersion("PraloPM.exe", version); }

class ProgramVersions : public testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { ReportVersion("win7"); }
};

using RefusedVersions = ProgramVersions;
using AcceptedVersions = ProgramVersions;

TEST_P(RefusedVersions, ShowOnlyTheVersionMessage) {
  ReportVersion(GetParam());
  ProgramUnderTest program("PraloPM.exe");
  HWND box = program.WaitForWindow(kTitle);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), "This application does not run in this version of Windows.");
  ProgramUnderTest::Click(box, IDOK);
  EXPECT_EQ(program.WaitForExit(), 0u);
}
INSTANTIATE_TEST_SUITE_P(Windows9x, RefusedVersions, testing::Values("win95", "win98", "winme"));

TEST_P(AcceptedVersions, ReachTheMainWindow) {
  ReportVersion(GetParam());
  ProgramUnderTest program("PraloPM.exe");
  HWND main = program.WaitForWindow(kTitle);
  ASSERT_NE(main, nullptr);
  EXPECT_NE(GetDlgItem(main, IDC_PORT_LIST), nullptr);
  ProgramUnderTest::Click(main, IDCANCEL);
  EXPECT_EQ(program.WaitForExit(), 0u);
}
INSTANTIATE_TEST_SUITE_P(WindowsNT, AcceptedVersions, testing::Values("nt351", "nt40", "win2k", "winxp"));

TEST(Program, ListsTheMonitorsPortsThroughTheRealSpooler) {
  SpoolerLab spooler;
  spooler.AddMonitorPort("LabPort", "127.1.0.20");
  spooler.AddLocalPrinter("Lab Printer", "LabPort");
  ProgramUnderTest program("PraloPM.exe");
  HWND main = program.WaitForWindow(kTitle);
  ASSERT_NE(main, nullptr);
  bool found = false;
  for (const auto& row : program.ListRows(GetDlgItem(main, IDC_PORT_LIST), 4)) {
    if (row[1] != "LabPort") continue;
    found = true;
    EXPECT_EQ(row[2], "Pralo TCP/IP Port");
    EXPECT_EQ(row[3], "Lab Printer");
  }
  EXPECT_TRUE(found) << "LabPort is not in the list";
  ProgramUnderTest::Click(main, IDCANCEL);
  EXPECT_EQ(program.WaitForExit(), 0u);
}

TEST(Program, WithoutTheMonitorOnlyThatIsReportedEvenOnWindows95) {
  ASSERT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" uninstall").exitCode, 0u);
  ReportVersion("win95");
  {
    ProgramUnderTest program("PraloPM.exe");
    HWND box = program.WaitForWindow(kTitle);
    if (box != nullptr) {
      EXPECT_EQ(MessageBoxText(box),
                "The Pralo Port Monitor has not been installed yet. Please install the Pralo Port Monitor first.");
      ProgramUnderTest::Click(box, IDOK);
    }
    EXPECT_EQ(program.WaitForExit(), 0u);
  }
  ReportVersion("win7");
  EXPECT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" install").exitCode, 0u);
}

// What a user does on the demo lab: a printer found by the search, identified over
// SNMP, added as a port that the spooler then lists.
TEST(Program, AddsAPortForAPrinterFoundOnTheNetwork) {
  SpoolerLab spooler;
  ProgramUnderTest program("PraloPM.exe");
  HWND main = program.WaitForWindow(kTitle);
  ASSERT_NE(main, nullptr);
  HWND wizard = program.OpenNameAndAddressPage(main);
  ASSERT_NE(wizard, nullptr);
  ProgramUnderTest::SetText(SheetPageControl(wizard, IDC_PORT_NAME), "Found");
  PostMessageA(SheetPageControl(wizard, IDC_AUTO_DISCOVERY), BM_CLICK, 0, 0);

  HWND discovery = program.WaitForWindow("Printer Discovery");
  ASSERT_NE(discovery, nullptr);
  HWND list = GetDlgItem(discovery, IDC_DISCOVERY_LIST);
  auto rowOfPrinter = [&] { return RowShowing(program.ListRows(list, 3), "127.1.0.22"); };
  for (DWORD start = GetTickCount(); rowOfPrinter() == -1 && GetTickCount() - start < 5000;) Sleep(50);
  Sleep(2000);  // the sweep over: no row comes in between and shifts the rows
  int row = rowOfPrinter();
  ASSERT_NE(row, -1) << "the printer 127.1.0.22 was not found";
  program.SelectListRow(list, row);
  ProgramUnderTest::Click(discovery, IDC_DISCOVERY_OK);

  ASSERT_NE(program.WaitForWindow("Add Pralo TCP/IP Port"), nullptr);
  EXPECT_EQ(ControlText(SheetPageControl(wizard, IDC_PRINTER_ADDRESS)), "127.1.0.22");
  ProgramUnderTest::Click(wizard, kWizardNext);
  ASSERT_NE(program.WaitForWindow("Completing"), nullptr);
  EXPECT_NE(ControlText(SheetPageControl(wizard, IDC_SUMMARY))
                .find("Printer Type\tKestrel ColorPro 520"),
            std::string::npos);
  ProgramUnderTest::Click(wizard, kWizardFinish);

  ASSERT_NE(program.WaitForWindow(kTitle), nullptr);
  bool listed = false;
  for (const auto& row : program.ListRows(GetDlgItem(main, IDC_PORT_LIST), 4))
    listed = listed || (row[1] == "Found" && row[2] == "Pralo TCP/IP Port");
  EXPECT_TRUE(listed);
  ProgramUnderTest::Click(main, IDCANCEL);
  EXPECT_EQ(program.WaitForExit(), 0u);
  DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Pralo TCP/IP Port\\Port Names\\Found");
}

TEST(Program, AMissingOrIncompleteNetworkLibraryIsAMissingMonitor) {
  for (const char* file : {"PrlStat.dll", "PRLFIND.dll"}) {
    for (bool incomplete : {false, true}) {
      SCOPED_TRACE(std::string(file) + (incomplete ? " without its ordinals" : " missing"));
      LibraryAside aside(file, incomplete);
      ProgramUnderTest program("PraloPM.exe");
      HWND box = program.WaitForWindow(kTitle);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(MessageBoxText(box),
                "The Pralo Port Monitor has not been installed yet. Please install the Pralo Port Monitor first.");
      ProgramUnderTest::Click(box, IDOK);
      EXPECT_EQ(program.WaitForExit(), 0u);
    }
  }
}

TEST(Program, ALibraryGoneWhileItRunsIsReportedAndTheWizardGoesOn) {
  ProgramUnderTest program("PraloPM.exe");
  HWND main = program.WaitForWindow(kTitle);
  ASSERT_NE(main, nullptr);
  LibraryAside aside("PrlStat.dll", false);
  HWND wizard = program.OpenNameAndAddressPage(main);
  ASSERT_NE(wizard, nullptr);
  ProgramUnderTest::SetText(SheetPageControl(wizard, IDC_PORT_NAME), "Gone");
  ProgramUnderTest::SetText(SheetPageControl(wizard, IDC_PRINTER_ADDRESS), "127.1.0.20");
  Sleep(100);  // the buttons follow the fields
  ProgramUnderTest::Click(wizard, kWizardNext);
  HWND box = program.WaitForWindow(kTitle);
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(MessageBoxText(box).empty());
  ProgramUnderTest::Click(box, IDOK);
  EXPECT_NE(program.WaitForWindow("Additional Information"), nullptr);  // not identified, no crash
  ProgramUnderTest::Click(wizard, IDCANCEL);
  ASSERT_NE(program.WaitForWindow(kTitle), nullptr);
  ProgramUnderTest::Click(main, IDCANCEL);
  EXPECT_EQ(program.WaitForExit(), 0u);
}

// A user who can write the folder that an administrator starts a program from puts a
// library there under the name of one the program loads: the program loads the
// monitor's libraries from the system directory only, and never that one.
TEST(Program, ALibraryPlantedBesideTheProgramIsNeverLoaded) {
  struct Case {
    const char* program;
    const char* arguments;  // prlport's; nullptr: the Port Manager, started and closed
    const char* planted;
  };
  const std::string folder = TempFile("planted\\");
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const Case& c : {
           Case{"prlport.exe", "list", "PraloLpr.dll"},
           Case{"prlport.exe", "identify 127.1.0.99", "PrlStat.dll"},
           Case{"prlport.exe", "find --seconds 0", "PRLFIND.dll"},
           Case{"PraloPM.exe", nullptr, "PraloLpr.dll"},
       }) {
    SCOPED_TRACE(std::string(c.program) + " " + (c.arguments ? c.arguments : "") + " beside " + c.planted);
    const std::string program = folder + c.program, planted = folder + c.planted, mark = planted + ".loaded";
    DeleteFileA(mark.c_str());
    ASSERT_TRUE(CopyFileA(DistFile(c.program).c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(ExeBesideThisTest("planted\\Recorder.dll").c_str(), planted.c_str(), FALSE));
    if (c.arguments != nullptr) {
      RunChild("\"" + program + "\" " + c.arguments);
    } else {
      ProgramUnderTest manager(program);
      HWND window = manager.WaitForWindow(kTitle);
      if (window != nullptr) ProgramUnderTest::Click(window, IDCANCEL);
      manager.WaitForExit();
    }
    EXPECT_EQ(GetFileAttributesA(mark.c_str()), INVALID_FILE_ATTRIBUTES) << c.planted << " was loaded";
    DeleteFileA(planted.c_str());
    DeleteFileA(program.c_str());
  }
}

}  // namespace
