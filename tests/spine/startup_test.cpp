// Start-up checks in the order the program runs them, through a seam for the refusals
// that Wine never produces. Every refusal is a box without owner, captioned "Pralo Port
// Manager", with the stop icon; the versions themselves are checked end to end.
#include <gtest/gtest.h>

#include <windows.h>

#include <winternl.h>

#include <string>

#include "PortManagerApp.h"
#include "Wnd.h"
#include "robot.h"
#include "screenshots.h"
#include "scripted_services.h"

namespace {

class FakeStartup : public StartupSystem {
 public:
  bool monitorInstalled = true;
  DWORD versionWord = 0x0A280105;  // Windows XP
  LONG keyResult = ERROR_SUCCESS;
  ScriptedServices services;

  bool LoadMonitorLibrary() override { return monitorInstalled; }
  bool NetworkLibrariesLoad() override { return true; }
  DWORD VersionWord() override { return versionWord; }
  LONG OpenPortNamesKey() override { return keyResult; }
  ServiceControl& Services() override { return services; }
};

constexpr char kCaption[] = "Pralo Port Manager";

// Runs start-up and answers the one refusal it must show.
void ExpectRefusal(FakeStartup& system, const char* text, const char* picture = "not-admin") {
  CPortManagerApp app(system);
  BOOL result = TRUE;
  Drive([&] { result = app.InitInstance(); },
        [&](Robot& robot) {
          Window box = robot.ExpectMessageBox();
          EXPECT_EQ(box.Caption(), kCaption);
          EXPECT_EQ(box.MessageText(), text);
          EXPECT_EQ(box.Icon(), MessageIcon::Stop);
          EXPECT_EQ(box.Owner(), nullptr);
          EXPECT_EQ(box.Buttons(), std::vector<int>{IDOK});
          box.Screenshot(ScreenshotPath(std::string("message-") + picture + ".png"));
          box.Answer(IDOK);
          robot.ExpectClosed(box);
        });
  EXPECT_FALSE(result);
}

// Runs start-up, which must reach the main window; closes it.
void ExpectMainWindow(FakeStartup& system) {
  CPortManagerApp app(system);
  BOOL result = TRUE;
  Drive([&] { result = app.InitInstance(); },
        [&](Robot& robot) {
          Window main = robot.Expect(kCaption);
          EXPECT_EQ(AfxGetMainWnd()->m_hWnd, main.Handle());
          main.Click(IDCANCEL);
        });
  EXPECT_FALSE(result);
  EXPECT_EQ(system.services.opened, system.services.closed);
}

TEST(Startup, MissingMonitorIsReportedFirstEvenOnWindows95) {
  FakeStartup system;
  system.monitorInstalled = false;
  system.versionWord = 0xC0000004;
  system.keyResult = ERROR_ACCESS_DENIED;
  ExpectRefusal(system,
                "The Pralo Port Monitor has not been installed yet. Please install the Pralo Port Monitor first.", "monitor-missing");
}

TEST(Startup, Windows9xIsRefused) {
  FakeStartup system;
  system.versionWord = 0xC0000A04;
  ExpectRefusal(system, "This application does not run in this version of Windows.", "wrong-windows");
}

TEST(Startup, RegistryRefusalOfAnyKindMeansNoRights) {
  for (LONG error : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND}) {
    FakeStartup system;
    system.keyResult = error;
    ExpectRefusal(system, "Only an administrator may use this application.");
    EXPECT_EQ(system.services.opened, 0);  // the service steps never ran
  }
}

TEST(Startup, AccessDeniedByTheServiceManagerOrSpoolerMeansNoRights) {
  FakeStartup manager;
  manager.services.managerError = ERROR_ACCESS_DENIED;
  ExpectRefusal(manager, "Only an administrator may use this application.");

  FakeStartup spooler;
  spooler.services.serviceError = ERROR_ACCESS_DENIED;
  ExpectRefusal(spooler, "Only an administrator may use this application.");
  EXPECT_EQ(spooler.services.opened, spooler.services.closed);
}

// The libraries that the loader loads while it lives, as the loader tells them
// (LdrRegisterDllNotification): a library loaded and freed again is among them, a file
// only mapped as an image is not.
class LoaderWatch {
 public:
  LoaderWatch() {
    using Register = LONG(NTAPI*)(ULONG, void(CALLBACK*)(ULONG, const Notice*, void*), void*, void**);
    const auto registration = reinterpret_cast<Register>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "LdrRegisterDllNotification")));
    EXPECT_NE(registration, nullptr);
    if (registration != nullptr) registration(0, &Heard, this, &cookie_);
  }
  ~LoaderWatch() {
    using Unregister = LONG(NTAPI*)(void*);
    const auto unregistration = reinterpret_cast<Unregister>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "LdrUnregisterDllNotification")));
    if (unregistration != nullptr && cookie_ != nullptr) unregistration(cookie_);
  }
  LoaderWatch(const LoaderWatch&) = delete;
  LoaderWatch& operator=(const LoaderWatch&) = delete;
  // The base names of the libraries loaded, each followed by a blank.
  const std::string& Loaded() const { return loaded_; }

 private:
  struct Notice {  // LDR_DLL_LOADED_NOTIFICATION_DATA
    ULONG flags;
    const UNICODE_STRING* fullName;
    const UNICODE_STRING* baseName;
  };
  static void CALLBACK Heard(ULONG reason, const Notice* notice, void* watch) {
    constexpr ULONG kLoaded = 1;
    if (reason != kLoaded) return;
    for (USHORT i = 0; i < notice->baseName->Length / sizeof(WCHAR); ++i)
      static_cast<LoaderWatch*>(watch)->loaded_ += static_cast<char>(notice->baseName->Buffer[i]);
    static_cast<LoaderWatch*>(watch)->loaded_ += ' ';
  }
  void* cookie_ = nullptr;
  std::string loaded_;
};

// Checked from their export tables: start-up runs neither library, not even for a moment,
// and leaves neither loaded; the first call loads it.
TEST(Startup, TheNetworkLibrariesAreCheckedWithoutBeingLoaded) {
  std::string loaded;
  {
    LoaderWatch watch;
    ASSERT_TRUE(SystemStartup().NetworkLibrariesLoad());
    loaded = watch.Loaded();
  }
  CharLowerA(loaded.data());
  EXPECT_EQ(loaded.find("prlstat"), std::string::npos) << loaded;
  EXPECT_EQ(loaded.find("prlfind"), std::string::npos) << loaded;
  EXPECT_EQ(GetModuleHandleA("PrlStat.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleA("PRLFIND.dll"), nullptr);
}

TEST(Startup, OtherServiceErrorsLetTheUserIn) {
  FakeStartup manager;
  manager.services.managerError = ERROR_INVALID_HANDLE;
  ExpectMainWindow(manager);

  FakeStartup spooler;
  spooler.services.serviceError = ERROR_SERVICE_DOES_NOT_EXIST;
  ExpectMainWindow(spooler);
}

TEST(Startup, EveryNtVersionReachesTheMainWindow) {
  for (DWORD version : {0x04213303u, 0x05650004u, 0x08930005u, 0x80000000u}) {
    FakeStartup system;
    system.versionWord = version;
    ExpectMainWindow(system);
  }
}

}  // namespace
