// The spooler's own port commands for the monitor's ports, through Wine's spooler: the
// monitor's UI library shows the Port Manager's dialogs, and the monitor's XcvData keeps
// the Port Manager's rules for scripts.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Components.h"
#include "PortConfig.h"
#include "SystemErrorText.h"
#include "TextField.h"
#include "loaded_monitor.h"
#include "XcvCommands.h"
#include "XcvPortRecord.h"
#include "import_patch.h"
#include "library_aside.h"
#include "registry.h"
#include "resource.h"
#include "robot.h"
#include "screenshots.h"
#include "spooler_lab.h"

namespace {

constexpr char kConfigCaption[] = "Pralo TCP/IP Port - Configuration";

std::string PortKey(const std::string& name) { return std::string(kPortNamesKey) + "\\" + name; }

// The spooler's port names; listing also makes the monitor mirror its ports for it.
std::vector<std::string> SpoolerPorts() {
  DWORD needed = 0, returned = 0;
  EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed);
  std::vector<std::string> names;
  if (!EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &returned)) return names;
  for (DWORD i = 0; i < returned; ++i) names.emplace_back(reinterpret_cast<PORT_INFO_1A*>(buffer.data())[i].pName);
  return names;
}

bool Listed(const std::string& port) {
  for (const std::string& name : SpoolerPorts())
    if (name == port) return true;
  return false;
}

PortConfig Record(const char* name, const char* address) {
  PortConfig config;
  ResetPortConfig(config, name);
  CopyText(config.deviceIP, address);
  config.rawPortNumber = 9100;
  return config;
}

// A script's XcvData session on the monitor, opened with the given access.
class Xcv {
 public:
  explicit Xcv(DWORD access) {
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, access};
    EXPECT_TRUE(OpenPrinterA(const_cast<char*>(kXcvMonitorPrinter), &printer_, &defaults)) << GetLastError();
  }
  ~Xcv() { ClosePrinter(printer_); }
  DWORD Send(const wchar_t* command, const void* input, DWORD size, void* output = nullptr, DWORD outputSize = 0) {
    DWORD needed = 0, status = 0;
    EXPECT_TRUE(XcvDataW(printer_, command, static_cast<BYTE*>(const_cast<void*>(input)), size,
                         static_cast<BYTE*>(output), outputSize, &needed, &status));
    return status;
  }
  DWORD Record(const wchar_t* command, const XcvPortRecord& record) { return Send(command, &record, sizeof record); }
  DWORD Record(const wchar_t* command, const PortConfig& config) { return Record(command, XcvRecordOf(config)); }
  DWORD Named(const wchar_t* command, const std::wstring& port, void* output = nullptr, DWORD outputSize = 0) {
    return Send(command, port.c_str(), static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), output, outputSize);
  }

 private:
  HANDLE printer_ = nullptr;
};

// The accesses that the UI library asked the spooler for, in order.
std::vector<DWORD> accessesAsked;

// Windows' spooler refuses administer access to a caller who may not administer the
// print server, and opens with read access; Wine's grants every caller administer
// access. This stand-in for the UI library's OpenPrinterA refuses as Windows does.
BOOL WINAPI OpenPrinterAsAUser(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  const DWORD access = defaults != nullptr ? defaults->DesiredAccess : 0;
  accessesAsked.push_back(access);
  if ((access & SERVER_ACCESS_ADMINISTER) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return OpenPrinterA(name, printer, defaults);
}

// From the welcome page to the summary of the lab's printer at 127.1.0.20, which is
// identified, or only to the name page with its name and address typed.
void WizardToSummary(Robot& robot, Window& wizard, const char* port, bool stopAtNamePage = false) {
  auto reached = [&](int page, const char* what) {
    robot.WaitUntil([&] { return wizard.SheetPage() == page && wizard.Wizard() != WizardButtons{}; }, what);
  };
  reached(0, "the welcome page");
  wizard.Next();
  reached(1, "the name page");
  wizard.Type(IDC_PORT_NAME, port);
  wizard.Type(IDC_PRINTER_ADDRESS, "127.1.0.20");
  robot.WaitUntil([&] { return wizard.Wizard().next; }, "Next enabled");
  if (stopAtNamePage) return;
  wizard.Next();
  reached(3, "the summary of an identified printer");
}

class SpoolerPortCommands : public testing::Test {
 protected:
  SpoolerPortCommands()
      : owner(CreateWindowExA(0, "STATIC", "Printer Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                              nullptr, nullptr, nullptr, nullptr)) {
    spooler.AddMonitorPort("UiPort", "127.1.0.20");
    SpoolerPorts();
  }
  ~SpoolerPortCommands() override {
    if (uiLibrary != nullptr) FreeLibrary(uiLibrary);
    DestroyWindow(owner);
    for (const char* port : {"UiNew", "ScriptPort"}) DeleteTree(HKEY_LOCAL_MACHINE, PortKey(port));
  }

  // The UI library's table, loaded as the spooler loads it.
  const MONITORUI& Ui() {
    if (uiLibrary == nullptr) uiLibrary = LoadLibraryA(kMonitorUiLibrary);
    EXPECT_NE(uiLibrary, nullptr);
    auto initialize = reinterpret_cast<PMONITORUI(WINAPI*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(uiLibrary, "InitializePrintMonitorUI")));
    EXPECT_NE(initialize, nullptr);
    return *initialize();
  }

  SpoolerLab spooler;
  HWND owner;
  HMODULE uiLibrary = nullptr;
};

TEST_F(SpoolerPortCommands, ConfigurePortShowsTheConfigurationDialogAndOkWritesThroughTheMonitor) {
  BOOL configured = FALSE;
  char port[] = "UiPort";
  Drive([&] { configured = ConfigurePortA(nullptr, owner, port); },
        [&](Robot& robot) {
          Window box = robot.Expect(kConfigCaption);
          EXPECT_EQ(box.Owner(), owner);
          EXPECT_EQ(box.Text(IDC_CFG_ADDRESS), "127.1.0.20");
          box.Screenshot(ScreenshotPath("config-from-spooler.png"));
          box.Type(IDC_CFG_ADDRESS, "127.1.0.21");
          box.Click(IDC_CFG_OK);
          robot.ExpectClosed(box);
        });
  EXPECT_TRUE(configured);
  EXPECT_EQ(StoredText("UiPort", "DeviceIP"), "127.1.0.21");
  EXPECT_EQ(StoredNumber("UiPort", "SnmpUpdated"), 1u);
}

TEST_F(SpoolerPortCommands, ConfigurePortOnAPortDeletedMeanwhileSaysSoAndMakesItNotAgain) {
  char port[] = "UiPort";
  Drive([&] { ConfigurePortA(nullptr, owner, port); },
        [&](Robot& robot) {
          Window box = robot.Expect(kConfigCaption);
          DeleteTree(HKEY_LOCAL_MACHINE, PortKey("UiPort"));  // another program deletes the port
          box.Click(IDC_CFG_OK);
          Window gone = robot.ExpectMessageBox();
          EXPECT_EQ(gone.MessageText().rfind("This port no longer exists", 0), 0u) << gone.MessageText();
          gone.Answer(IDOK);
          robot.ExpectClosed(box);
        });
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("UiPort")));
}

TEST_F(SpoolerPortCommands, ConfigurePortUiOnAPortTheMonitorCannotGiveShowsWhyAndNoDialog) {
  BOOL configured = TRUE;
  DWORD error = 0;
  Drive([&] {
          configured = Ui().pfnConfigurePortUI(nullptr, owner, L"NoSuchPort");
          error = GetLastError();
        },
        [&](Robot& robot) {
          Window box = robot.ExpectMessageBox();
          EXPECT_EQ(box.MessageText(), SystemErrorText(ERROR_UNKNOWN_PORT));
          box.Answer(IDOK);
        });
  EXPECT_FALSE(configured);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_UNKNOWN_PORT));
}

TEST_F(SpoolerPortCommands, AddPortRunsTheWizardAndTheNewPortLists) {
  BOOL added = FALSE;
  char monitor[] = PRALO_MONITOR_NAME;
  Drive([&] { added = AddPortA(nullptr, owner, monitor); },
        [&](Robot& robot) {
          Window wizard = robot.Expect("Pralo TCP/IP Port");
          EXPECT_EQ(wizard.Owner(), owner);
          WizardToSummary(robot, wizard, "UiNew");
          wizard.Finish();
          robot.ExpectClosed(wizard);
        });
  EXPECT_TRUE(added);
  EXPECT_TRUE(Listed("UiNew"));
  EXPECT_EQ(StoredText("UiNew", "DeviceIP"), "127.1.0.20");
}

// A caller that asks for the new port's name gets it, to free with GlobalFree; a
// cancelled wizard adds and names nothing.
TEST_F(SpoolerPortCommands, AddPortUiHandsBackTheNewPortsName) {
  const MONITORUI& ui = Ui();
  for (bool finish : {false, true}) {
    SCOPED_TRACE(finish ? "Finish" : "Cancel");
    PWSTR name = nullptr;
    BOOL added = !finish;
    DWORD error = 0;
    Drive([&] {
            added = ui.pfnAddPortUI(nullptr, owner, L"" PRALO_MONITOR_NAME, &name);
            error = GetLastError();
          },
          [&](Robot& robot) {
            Window wizard = robot.Expect("Pralo TCP/IP Port");
            WizardToSummary(robot, wizard, "UiNew");
            if (finish)
              wizard.Finish();
            else
              wizard.Cancel();
            robot.ExpectClosed(wizard);
          });
    EXPECT_EQ(added, finish ? TRUE : FALSE);
    EXPECT_EQ(std::wstring(name != nullptr ? name : L"<none>"), finish ? L"UiNew" : L"<none>");
    if (!finish) {
      EXPECT_EQ(error, static_cast<DWORD>(ERROR_CANCELLED));
    }
    GlobalFree(name);
  }
  EXPECT_TRUE(Listed("UiNew"));
}

// Inside the spooler's or Explorer's process a network library that cannot be loaded is
// told in a box over the wizard, and the wizard goes on without it: never an exception.
TEST_F(SpoolerPortCommands, ANetworkLibraryThatCannotBeLoadedIsAMessageAndTheWizardGoesOn) {
  struct Case {
    const char* library;
    int button;                 // pressed on the name page
    const char* windowAfter;    // what shows once the box is answered
  };
  const MONITORUI& ui = Ui();
  for (const Case& c : {Case{"PrlStat.dll", 0, "Additional Information"},
                        Case{"PRLFIND.dll", IDC_AUTO_DISCOVERY, "Printer Discovery"}}) {
    SCOPED_TRACE(c.library);
    LibraryAside aside(c.library, false);
    std::optional<LibraryAside> copyForTheNetworkTests;  // beside this program, found first
    if (GetFileAttributesA((LibraryAside::ProgramFolder() + "\\" + c.library).c_str()) != INVALID_FILE_ATTRIBUTES)
      copyForTheNetworkTests.emplace(c.library, false, LibraryAside::ProgramFolder());
    BOOL added = TRUE;
    Drive([&] { added = ui.pfnAddPortUI(nullptr, owner, nullptr, nullptr); },
          [&](Robot& robot) {
            Window wizard = robot.Expect("Pralo TCP/IP Port");
            WizardToSummary(robot, wizard, "UiGone", true);
            if (c.button != 0)
              wizard.Click(c.button);
            else
              wizard.Next();
            Window box = robot.ExpectMessageBox();
            EXPECT_EQ(box.MessageText(), SystemErrorText(ERROR_MOD_NOT_FOUND));
            EXPECT_EQ(box.Caption(), "Pralo Port Manager");
            EXPECT_EQ(box.Owner(), wizard.Handle());
            box.Answer(IDOK);
            Window after = robot.Expect(c.windowAfter);
            if (c.button != 0) {
              after.Click(IDC_DISCOVERY_CANCEL);
              robot.ExpectClosed(after);
            }
            wizard.Cancel();
            robot.ExpectClosed(wizard);
          });
    EXPECT_FALSE(added);
  }
}

// Its callers have asked already: no question of its own; a port in use is refused with
// the system's text, owned by the caller's window.
TEST_F(SpoolerPortCommands, DeletePortUiAsksNothingAndRefusesAPortInUse) {
  const MONITORUI& ui = Ui();
  spooler.AddMonitorPort("UiFree", "127.1.0.22");
  SpoolerPorts();
  EXPECT_TRUE(ui.pfnDeletePortUI(nullptr, owner, L"UiFree"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("UiFree")));
  spooler.AddLocalPrinter("UiPrinter", "UiPort");
  BOOL deleted = TRUE;
  DWORD error = 0;
  Drive([&] {
          deleted = ui.pfnDeletePortUI(nullptr, owner, L"UiPort");
          error = GetLastError();
        },
        [&](Robot& robot) {
          Window box = robot.ExpectMessageBox();
          EXPECT_EQ(box.MessageText(), SystemErrorText(ERROR_BUSY));
          EXPECT_EQ(box.Caption(), "Pralo Port Manager");
          EXPECT_EQ(box.Icon(), MessageIcon::Stop);
          EXPECT_EQ(box.Owner(), owner);
          box.Answer(IDOK);
        });
  EXPECT_FALSE(deleted);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_BUSY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("UiPort")));
}

TEST_F(SpoolerPortCommands, XcvDataAddsConfiguresAndDeletesWithThePortManagersRules) {
  Xcv script(SERVER_ACCESS_ADMINISTER);
  wchar_t library[MAX_PATH] = {};
  EXPECT_EQ(script.Send(kXcvMonitorUi, nullptr, 0, library, sizeof library), 0u);
  EXPECT_STREQ(library, kMonitorUiLibraryW);
  struct Case {
    const char* name;
    DWORD status;
  };
  for (const Case& c : {Case{"uiport", ERROR_ALREADY_EXISTS}, Case{"LPT1:", ERROR_ALREADY_EXISTS},
                        Case{"Back\\slash", ERROR_INVALID_NAME}, Case{"Com,ma", ERROR_INVALID_NAME},
                        Case{"", ERROR_INVALID_NAME}, Case{"ScriptPort", ERROR_SUCCESS}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(script.Record(kXcvAddPort, Record(c.name, "127.1.0.30")), c.status);
  }
  XcvPortRecord unterminated = XcvRecordOf(Record("", "127.1.0.30"));
  std::wmemset(unterminated.portName, L'L', std::size(unterminated.portName));
  EXPECT_EQ(script.Record(kXcvAddPort, unterminated), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_EQ(script.Send(kXcvAddPort, "short", 5), static_cast<DWORD>(ERROR_INVALID_DATA));
  EXPECT_TRUE(Listed("ScriptPort"));

  PortConfig changed = Record("SCRIPTPORT", "127.1.0.31");
  CopyText(changed.communityName, "Office");
  EXPECT_EQ(script.Record(kXcvConfigPort, changed), 0u);
  EXPECT_EQ(StoredText("ScriptPort", "DeviceIP"), "127.1.0.31");
  EXPECT_EQ(StoredNumber("ScriptPort", "SnmpUpdated"), 1u);
  XcvPortRecord stored{};
  EXPECT_EQ(script.Named(kXcvGetConfig, L"ScriptPort", &stored, sizeof stored), 0u);
  EXPECT_STREQ(stored.deviceIP, "127.1.0.31");
  EXPECT_STREQ(stored.communityName, "Office");
  EXPECT_EQ(script.Record(kXcvConfigPort, Record("NoSuchPort", "127.1.0.31")), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("NoSuchPort")));

  spooler.AddLocalPrinter("ScriptPrinter", "UiPort");
  EXPECT_EQ(script.Named(kXcvDeletePort, L"UiPort"), static_cast<DWORD>(ERROR_BUSY));
  EXPECT_EQ(script.Named(kXcvDeletePort, L"ScriptPort"), 0u);
  EXPECT_FALSE(Listed("ScriptPort"));
}

// XcvData's record has no room for an IPP port's URI: a configuration through the
// spooler, by its dialog or by a script, leaves the port printing over IPP.
TEST_F(SpoolerPortCommands, ConfigurationThroughTheSpoolerKeepsAnIppPortIpp) {
  struct Case {
    const char* route;
    std::function<void()> configure;
  };
  char port[] = "UiPort";
  for (const Case& c : {
           Case{"the spooler's Ports page",
                [&] {
                  Drive([&] { EXPECT_TRUE(ConfigurePortA(nullptr, owner, port)); },
                        [&](Robot& robot) {
                          Window box = robot.Expect(kConfigCaption);
                          box.Type(IDC_CFG_ADDRESS, "127.1.0.21");
                          box.Click(IDC_CFG_LPR);
                          box.Click(IDC_CFG_OK);
                          robot.ExpectClosed(box);
                        });
                }},
           Case{"a script's XcvData",
                [&] { EXPECT_EQ(Xcv(SERVER_ACCESS_ADMINISTER).Record(kXcvConfigPort, Record("UiPort", "127.1.0.21")), 0u); }},
       }) {
    SCOPED_TRACE(c.route);
    SetTextValue(HKEY_LOCAL_MACHINE, PortKey("UiPort"), "IppUri", "ipps://127.1.0.20:8631/ipp/print");
    SetTextValue(HKEY_LOCAL_MACHINE, PortKey("UiPort"), "IppDocumentFormat", "application/pdf");
    c.configure();
    EXPECT_EQ(StoredText("UiPort", "DeviceIP"), "127.1.0.21");
    EXPECT_EQ(StoredText("UiPort", "IppUri"), "ipps://127.1.0.20:8631/ipp/print");
    EXPECT_EQ(StoredText("UiPort", "IppDocumentFormat"), "application/pdf");
  }
}

// A script's record, laid out by hand as the contract gives it: Windows' spooler reads
// the start of the input as the new port's UTF-16 name and lists the port under it, so
// the monitor stores the port under that very name or refuses it.
TEST_F(SpoolerPortCommands, AddPortTakesThePortsNameAsTheUtf16TextThatStartsItsInput) {
  Xcv script(SERVER_ACCESS_ADMINISTER);
  struct Case {
    const wchar_t* name;
    DWORD status;
    const char* stored;  // the key's name
  };
  for (const Case& c : {Case{L"Script\u00C9tage", ERROR_SUCCESS, "Script\xC9tage"},
                        Case{L"Script\u4E00", ERROR_INVALID_NAME, nullptr},
                        Case{L"ScriptPort", ERROR_SUCCESS, "ScriptPort"}}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
    XcvPortRecord record{};
    std::wmemcpy(record.portName, c.name, std::wcslen(c.name));
    record.protocol = kProtocolRaw;
    record.rawPortNumber = 9100;
    CopyText(record.deviceIP, "127.1.0.30");
    EXPECT_EQ(script.Send(kXcvAddPort, &record, sizeof record), c.status);
    if (c.stored == nullptr) continue;
    EXPECT_EQ(StoredText(c.stored, "DeviceIP"), "127.1.0.30");
    XcvPortRecord answer{};
    EXPECT_EQ(script.Named(kXcvGetConfig, c.name, &answer, sizeof answer), 0u);
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(&answer), c.name);
    EXPECT_STREQ(answer.deviceIP, "127.1.0.30");
    EXPECT_EQ(script.Named(kXcvDeletePort, c.name), 0u);
  }
  EXPECT_EQ(script.Send(kXcvAddPort, L"ScriptPort", sizeof L"ScriptPort"), static_cast<DWORD>(ERROR_INVALID_DATA));
}

// Both ways in to a delete, the spooler's DeletePort on the monitor's table and a
// script's XcvData, make the checks of every entry: a name that cannot name a port or
// is not the monitor's is an unknown port, and nothing is deleted.
TEST_F(SpoolerPortCommands, DeletePortRefusesANameThatIsNotOneOfTheMonitorsPorts) {
  LoadedMonitor monitor;
  ASSERT_TRUE(monitor.Loaded());
  Xcv script(SERVER_ACCESS_ADMINISTER);
  auto byTable = [&](std::wstring name) {
    if (monitor.Table().pfnDeletePort(monitor.Handle(), nullptr, owner, name.data())) return DWORD{ERROR_SUCCESS};
    return GetLastError();
  };
  auto byScript = [&](std::wstring name) { return script.Named(kXcvDeletePort, name); };
  for (const std::wstring& name : {std::wstring(), std::wstring(L"Back\\slash"), std::wstring(L"Com,ma"),
                                   std::wstring(L"LPT1:"), std::wstring(L"NoSuchPort"), std::wstring(100, L'U')}) {
    SCOPED_TRACE(testing::PrintToString(name));
    EXPECT_EQ(byTable(name), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
    EXPECT_EQ(byScript(name), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  }
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("UiPort")));
  EXPECT_EQ(byTable(L"uiport"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("UiPort")));
}

TEST_F(SpoolerPortCommands, ACallerWithoutAdministerAccessChangesNothingAndSeesNoCommunity) {
  SetTextValue(HKEY_LOCAL_MACHINE, PortKey("UiPort"), "CommunityName", "Office");
  Xcv script(SERVER_ACCESS_ENUMERATE);
  EXPECT_EQ(script.Record(kXcvAddPort, Record("ScriptPort", "127.1.0.30")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(script.Record(kXcvConfigPort, Record("UiPort", "127.1.0.31")), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(script.Named(kXcvDeletePort, L"UiPort"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(StoredText("UiPort", "DeviceIP"), "127.1.0.20");
  XcvPortRecord stored{};
  EXPECT_EQ(script.Named(kXcvGetConfig, L"UiPort", &stored, sizeof stored), 0u);  // reading needs no rights
  EXPECT_STREQ(stored.deviceIP, "127.1.0.20");
  EXPECT_STREQ(stored.communityName, "") << "the community is the port's secret";
}

// A user who may not administer the print server opens a port from the printer's Ports
// page: the UI library opens the monitor with read access, shows the port without its
// community, and each change is refused with the system's text, the port unchanged. A
// port to add is refused before the wizard, which could add nothing.
TEST_F(SpoolerPortCommands, AUserWhoMayNotAdministerTheServerSeesAPortAndChangesNothing) {
  struct Case {
    const char* entry;
    std::function<BOOL(const MONITORUI&)> call;
    std::function<void(Robot&)> user;  // what the user sees and does meanwhile
    DWORD error;
  };
  const auto noWindow = [](Robot&) {};
  SetTextValue(HKEY_LOCAL_MACHINE, PortKey("UiPort"), "CommunityName", "Office");
  const MONITORUI& ui = Ui();
  ImportPatch asAUser(uiLibrary, "winspool.drv", "OpenPrinterA", reinterpret_cast<const void*>(&OpenPrinterAsAUser));
  for (const Case& c : {
           Case{"ConfigurePortUI", [&](const MONITORUI& table) { return table.pfnConfigurePortUI(nullptr, owner, L"UiPort"); },
                [](Robot& robot) {
                  Window dialog = robot.Expect(kConfigCaption);
                  EXPECT_EQ(dialog.Text(IDC_CFG_ADDRESS), "127.1.0.20");
                  EXPECT_EQ(dialog.Text(IDC_CFG_COMMUNITY), "");
                  dialog.Type(IDC_CFG_ADDRESS, "127.1.0.21");
                  dialog.Click(IDC_CFG_OK);
                  Window refused = robot.ExpectMessageBox();
                  EXPECT_EQ(refused.MessageText(), SystemErrorText(ERROR_ACCESS_DENIED));
                  refused.Answer(IDOK);
                  dialog.Click(IDC_CFG_CANCEL);
                  robot.ExpectClosed(dialog);
                },
                ERROR_CANCELLED},
           Case{"DeletePortUI", [&](const MONITORUI& table) { return table.pfnDeletePortUI(nullptr, owner, L"UiPort"); },
                noWindow, ERROR_ACCESS_DENIED},
           Case{"AddPortUI",
                [&](const MONITORUI& table) {
                  return table.pfnAddPortUI(nullptr, owner, L"" PRALO_MONITOR_NAME, nullptr);
                },
                noWindow, ERROR_ACCESS_DENIED},
       }) {
    SCOPED_TRACE(c.entry);
    accessesAsked.clear();
    BOOL result = TRUE;
    DWORD error = 0;
    Drive([&] { result = c.call(ui), error = GetLastError(); }, c.user);

    EXPECT_FALSE(result);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(accessesAsked, (std::vector<DWORD>{SERVER_ACCESS_ADMINISTER, SERVER_ACCESS_ENUMERATE}));
  }
  EXPECT_EQ(StoredText("UiPort", "DeviceIP"), "127.1.0.20");
  EXPECT_EQ(StoredText("UiPort", "CommunityName"), "Office");
}

TEST_F(SpoolerPortCommands, XcvDataStoresOnlyWhatAPortCanHold) {
  Xcv script(SERVER_ACCESS_ADMINISTER);
  struct Case {
    const char* what;
    std::function<void(PortConfig&)> change;
    DWORD status;
  };
  for (const Case& c : {
           Case{"a protocol of neither kind", [](PortConfig& r) { r.protocol = 80; }, ERROR_INVALID_DATA},
           Case{"a port number beyond TCP's", [](PortConfig& r) { r.rawPortNumber = 70000; }, ERROR_INVALID_DATA},
           Case{"a status interval beyond the dialog's", [](PortConfig& r) { r.statusUpdateInt = 4294967295u; },
                ERROR_INVALID_DATA},
           Case{"bi-directional neither on nor off", [](PortConfig& r) { r.biDiEnabled = 2; }, ERROR_INVALID_DATA},
           Case{"no address", [](PortConfig& r) { CopyText(r.deviceIP, ""); }, ERROR_INVALID_DATA},
           Case{"a newline in the queue", [](PortConfig& r) { CopyText(r.lprQueue, "q\nH evil"); }, ERROR_INVALID_DATA},
           Case{"an escape in the community", [](PortConfig& r) { CopyText(r.communityName, "\x1b[2J"); },
                ERROR_INVALID_DATA},
           Case{"a raw port on number 0, as the wizard writes it", [](PortConfig& r) { r.rawPortNumber = 0; },
                ERROR_SUCCESS},
       }) {
    SCOPED_TRACE(c.what);
    PortConfig added = Record("ScriptPort", "127.1.0.30"), changed = Record("UiPort", "127.1.0.20");
    c.change(added);
    c.change(changed);
    EXPECT_EQ(script.Record(kXcvAddPort, added), c.status);
    EXPECT_EQ(script.Record(kXcvConfigPort, changed), c.status);
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, PortKey("ScriptPort")), c.status == ERROR_SUCCESS);
    EXPECT_EQ(StoredNumber("UiPort", "SnmpUpdated"), c.status == ERROR_SUCCESS ? 0u : 0xFFFFFFFFu);
    DeleteTree(HKEY_LOCAL_MACHINE, PortKey("ScriptPort"));
  }
}

// A printer on many ports has a long "Port" list; the port at its end is in use all the same.
TEST_F(SpoolerPortCommands, APortAtTheEndOfALongPortListIsInUse) {
  spooler.AddLocalPrinter("ManyPorts", "UiPort");
  std::string ports;
  for (int i = 0; ports.size() < 3000; ++i) ports += "Other" + std::to_string(i) + ", ";
  SetTextValue(HKEY_LOCAL_MACHINE, std::string(kPrintersKey) + "\\ManyPorts", "Port", ports + "UiPort");
  Xcv script(SERVER_ACCESS_ADMINISTER);
  EXPECT_EQ(script.Named(kXcvDeletePort, L"UiPort"), static_cast<DWORD>(ERROR_BUSY));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, PortKey("UiPort")));
}

}  // namespace
