// PraloLpr.dll inside the real spooler: its ports at both levels, and deleting them.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <cstdlib>
#include <string>
#include <vector>

#include "Components.h"
#include "MonitorRegistry.h"
#include "PortNames.h"
#include "Unique.h"
#include "access_list.h"
#include "child_process.h"
#include "loaded_monitor.h"
#include "lab_printers.h"
#include "registry.h"
#include "spooler_lab.h"

namespace {

template <typename Info>
std::vector<Info> EnumeratePorts(DWORD level, std::vector<BYTE>& buffer) {
  DWORD needed = 0, returned = 0;
  EnumPortsA(nullptr, level, nullptr, 0, &needed, &returned);
  buffer.assign(needed, 0);
  EXPECT_TRUE(EnumPortsA(nullptr, level, buffer.data(), needed, &needed, &returned));
  std::vector<Info> ports;
  for (DWORD i = 0; i < returned; ++i) ports.push_back(reinterpret_cast<const Info*>(buffer.data())[i]);
  return ports;
}

TEST(Monitor, ListsItsPortsAtBothLevels) {
  SpoolerLab spooler;
  spooler.AddMonitorPort("MonitorTest A", "127.1.0.20");
  std::vector<BYTE> buffer;
  bool found = false;
  for (const PORT_INFO_2A& port : EnumeratePorts<PORT_INFO_2A>(2, buffer)) {
    if (std::string(port.pPortName) != "MonitorTest A") continue;
    found = true;
    EXPECT_STREQ(port.pMonitorName, "Pralo TCP/IP Port");
    EXPECT_STREQ(port.pDescription, "Pralo TCP/IP Port");
    EXPECT_EQ(port.fPortType & PORT_TYPE_WRITE, static_cast<DWORD>(PORT_TYPE_WRITE));
  }
  EXPECT_TRUE(found);
  found = false;
  for (const PORT_INFO_1A& port : EnumeratePorts<PORT_INFO_1A>(1, buffer))
    found = found || std::string(port.pName) == "MonitorTest A";
  EXPECT_TRUE(found);
}

TEST(Monitor, DeletePortRemovesTheKeyOnceThroughTheSpooler) {
  SpoolerLab spooler;
  spooler.AddMonitorPort("MonitorTest B", "127.1.0.21");
  std::vector<BYTE> listing;
  EnumeratePorts<PORT_INFO_1A>(1, listing);  // the monitor mirrors its ports for the spooler
  char name[] = "MonitorTest B";
  ASSERT_TRUE(DeletePortA(nullptr, nullptr, name)) << GetLastError();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\MonitorTest B"));
  EXPECT_FALSE(DeletePortA(nullptr, nullptr, name));
  EXPECT_NE(GetLastError(), 0u);
}

// A volatile "Ports" key cannot take the mirror's lasting subkeys: the listing stays
// whole, and the monitor counts what it could not write.
TEST(Monitor, AMirrorThatCannotBeWrittenLeavesTheListingWholeAndIsCounted) {
  const std::string mirror = std::string(kMonitorKey) + "\\Ports";
  DeleteTree(HKEY_LOCAL_MACHINE, mirror);
  UniqueKey volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, mirror.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, volatileKey.put(), nullptr),
            ERROR_SUCCESS);
  SetNumberValue(HKEY_LOCAL_MACHINE, kMonitorKey, "MirrorWriteFailures", 0);
  SpoolerLab spooler;
  spooler.AddMonitorPort("MonitorTest C", "127.1.0.22");
  std::vector<BYTE> buffer;
  bool found = false;
  for (const PORT_INFO_1A& port : EnumeratePorts<PORT_INFO_1A>(1, buffer))
    found = found || std::string(port.pName) == "MonitorTest C";
  EXPECT_TRUE(found);
  RawValue failures = GetRawValue(HKEY_LOCAL_MACHINE, kMonitorKey, "MirrorWriteFailures");
  ASSERT_EQ(failures.data.size(), 4u);
  EXPECT_GE(failures.data[0], 1);
  volatileKey.reset();
  DeleteTree(HKEY_LOCAL_MACHINE, mirror);
}

// A key deleted while it is listed answers an error for every index: the listing ends
// (it held the port list's lock, so every EnumPorts and OpenPort waited on it).
TEST(Monitor, ListingTheSubkeysOfAKeyDeletedMeanwhileEnds) {
  const std::string path = std::string(kMonitorKey) + "\\Listed meanwhile";
  SetNumberValue(HKEY_LOCAL_MACHINE, path + "\\Port A", "RawPortNumber", 9100);
  UniqueKey key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(key.get()), std::vector<std::wstring>{L"Port A"});
  DeleteTree(HKEY_LOCAL_MACHINE, path);
  EXPECT_EQ(SubkeyNames(key.get()), std::vector<std::wstring>{});
}

TEST(MonitorSetup, AFailureNamesTheSystemsReasonAndExitsNonZero) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  std::string lonely = std::string(folder) + "PrlSetupAlone.exe";
  ASSERT_TRUE(CopyFileA(DistFile("monitor\\PrlSetup.exe").c_str(), lonely.c_str(), FALSE));
  ChildResult result = RunChild("\"" + lonely + "\" install");  // no PraloLpr.dll beside it
  DeleteFileA(lonely.c_str());
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("failed: "), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("(error 2)"), std::string::npos) << result.output;
  EXPECT_EQ(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" repair").exitCode, 2u);
}

// The program that Windows Installer runs as SYSTEM starts the setup program beside it,
// without a console window, and ends with its exit code (the package's test installs and
// has a removal refused through it): setup's where it lacks the monitor's library, the
// system's reason where there is no setup program beside it.
TEST(MonitorSetup, TheInstallersLauncherEndsWithTheSetupProgramsExitCode) {
  struct Case {
    const char* name;
    const char* copiedWithIt;  // into the launcher's folder of its own ("": nothing)
    DWORD exitCode;
  };
  for (const Case& c : {Case{"MonitorLibraryMissing", "PrlSetup.exe", 1},
                        Case{"SetupProgramMissing", "", ERROR_FILE_NOT_FOUND}}) {
    SCOPED_TRACE(c.name);
    const std::string folder = TempFile(std::string("Quiet") + c.name);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string file : {"PrlSetupQuiet.exe", c.copiedWithIt})
      ASSERT_TRUE(file.empty() || CopyFileA(DistFile("monitor\\" + file).c_str(), (folder + "\\" + file).c_str(), FALSE));
    const DWORD exitCode = RunSetup("install", folder + "\\PrlSetupQuiet.exe").exitCode;
    for (const char* file : {"PrlSetupQuiet.exe", "PrlSetup.exe"}) DeleteFileA((folder + "\\" + file).c_str());
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(exitCode, c.exitCode);
  }
}

// Port keys hold the SNMP community: a user reads none of the monitor's keys, nor the
// ports kept while it is removed, nor the folder of its jobs' files and lock, whether
// setup made them or found them made by an older version with the inherited ACL.
TEST(MonitorSetup, OnlySystemAndAdministratorsReachTheMonitorsKeysAndFolder) {
  const std::string port = std::string(kPortNamesKey) + "\\Secret";
  const std::string kept = "Software\\Pralo\\Port Manager\\Kept ports";
  const std::string folder = SystemFile("spool\\PraloLpr");
  const std::string profile = std::string(kMonitorKey) + "\\SNMPv3";
  SetTextValue(HKEY_LOCAL_MACHINE, port, "CommunityName", "hush");
  SetRawValue(HKEY_LOCAL_MACHINE, profile, "SnmpV3AuthPassphrase", REG_BINARY, "sealed");
  struct Step {
    const char* name;
    const char* setup;
    std::vector<std::string> keys;
  };
  for (const Step& step : {
           Step{"UpgradeOverAnOlderInstallation", "install", {kMonitorKey, kPortNamesKey, port}},
           Step{"Removal", "uninstall", {kept, kept + "\\Port Names\\Secret", kept + "\\SNMPv3"}},
           Step{"InstallAgain", "install", {kMonitorKey, kPortNamesKey, port, profile}},
       }) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(RunSetup(step.setup).exitCode, 0u);
    for (const std::string& key : step.keys) EXPECT_EQ(OrdinaryAccountsOfKey(key), "none") << key;
  }
  EXPECT_EQ(OrdinaryAccountsOfFile(folder), "none");
  EXPECT_EQ(GetRawValue(HKEY_LOCAL_MACHINE, profile, "SnmpV3AuthPassphrase").data.size(), 6u);
  DeleteTree(HKEY_LOCAL_MACHINE, port);
  DeleteTree(HKEY_LOCAL_MACHINE, profile);
}

// What a user puts into the folder that setup copies the monitor from would run as
// SYSTEM in the spooler: a folder that users can write is refused, and nothing copied.
TEST(MonitorSetup, AFolderThatUsersCanWriteIsNoPlaceToInstallFrom) {
  const char* lab = std::getenv("PRALO_LAB_DIR");
  ASSERT_NE(lab, nullptr);
  const std::string writable = std::string(lab) + "/writable-setup", folder = "Z:" + writable;
  ASSERT_TRUE(RunLabTool("lab-folder", "writable " + writable));
  for (const char* file : {"PrlSetup.exe", "PraloLpr.dll"})
    ASSERT_TRUE(CopyFileA(DistFile(std::string("monitor\\") + file).c_str(), (folder + "\\" + file).c_str(), FALSE));
  ChildResult result = RunSetup("install", folder + "\\PrlSetup.exe");
  for (const char* file : {"PrlSetup.exe", "PraloLpr.dll"}) DeleteFileA((folder + "\\" + file).c_str());
  RemoveDirectoryA(folder.c_str());
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("users can change the files of"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("copied"), std::string::npos) << result.output;
}

// A removal that cannot keep the ports aside must not take them with the monitor: a
// lasting key cannot be made under a volatile one, so the copy fails.
TEST(MonitorSetup, ARemovalThatCannotKeepThePortsAsideRemovesNothing) {
  SpoolerLab spooler;
  spooler.AddMonitorPort("SetupKept", "127.1.0.23");
  const std::string pralo = "Software\\Pralo", manager = pralo + "\\Port Manager";
  const bool hadPralo = KeyExists(HKEY_LOCAL_MACHINE, pralo);
  DeleteTree(HKEY_LOCAL_MACHINE, manager);
  UniqueKey lasting, volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, pralo.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, lasting.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExA(lasting.get(), "Port Manager", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            volatileKey.put(), nullptr),
            ERROR_SUCCESS);
  ChildResult result = RunSetup("uninstall");
  volatileKey.reset();
  DeleteTree(HKEY_LOCAL_MACHINE, hadPralo ? manager : pralo);
  const bool removed = !KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey);
  if (removed) RunSetup("install");  // the other tests need the monitor
  EXPECT_FALSE(removed);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("the monitor is not removed"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("making the key that keeps the ports aside"), std::string::npos) << result.output;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\SetupKept"));
  EXPECT_NE(GetFileAttributesA(SystemFile("PraloLpr.dll").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Kept ports that cannot come back stay kept, where the failed install says: a lasting
// "Port Names" cannot be made under a volatile monitor key, which the spooler registers
// the monitor in while it holds no "Driver" (as installers that set values first leave it).
TEST(MonitorSetup, KeptPortsThatCannotBeRestoredStayKept) {
  SpoolerLab spooler;
  spooler.AddMonitorPort("SetupRestored", "127.1.0.24");
  ASSERT_EQ(RunSetup("uninstall").exitCode, 0u);
  UniqueKey volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMonitorKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            volatileKey.put(), nullptr),
            ERROR_SUCCESS);
  ChildResult result = RunSetup("install");
  volatileKey.reset();
  DeleteTree(HKEY_LOCAL_MACHINE, kMonitorKey);
  EXPECT_EQ(RunSetup("install").exitCode, 0u);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("kept under HKLM\\Software\\Pralo\\Port Manager\\Kept ports"), std::string::npos)
      << result.output;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\SetupRestored"));
}

// A removal that a held monitor interrupted left the monitor's key with its "Driver",
// so that the spooler takes the monitor for registered: the install brings the kept
// ports back all the same, into the monitor's key that lacks them.
TEST(MonitorSetup, KeptPortsComeBackWhereARemovalLeftTheMonitorRegistered) {
  SpoolerLab spooler;
  spooler.AddMonitorPort("SetupLeftRegistered", "127.1.0.25");
  ASSERT_EQ(RunSetup("uninstall").exitCode, 0u);
  SetTextValue(HKEY_LOCAL_MACHINE, kMonitorKey, "Driver", kMonitorLibrary);
  ChildResult result = RunSetup("install");
  EXPECT_EQ(result.exitCode, 0u) << result.output;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\SetupLeftRegistered")) << result.output;
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Pralo\\Port Manager\\Kept ports"));
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The setup program beside the libraries of a newer build, which differ from the
// installed ones (a component that is not there is not installed).
std::string NewerSetupFolder() {
  const std::string folder = TempFile("PrlSetupNewer");
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* file : {"PrlSetup.exe", kMonitorLibrary, kMonitorUiLibrary})
    CopyFileA(DistFile(std::string("monitor\\") + file).c_str(), (folder + "\\" + file).c_str(), FALSE);
  for (const char* library : {kMonitorLibrary, kMonitorUiLibrary})
    std::ofstream(folder + "\\" + library, std::ios::binary | std::ios::app) << "a newer build";
  return folder;
}

// The files that Windows deletes at its next start (MoveFileEx's delayed deletions).
size_t PendingDeletions() {
  RawValue value = GetRawValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                               "PendingFileRenameOperations");
  const std::string text(value.data.begin(), value.data.end());  // read through the ANSI call
  size_t count = 0;
  for (size_t at = text.find("\\prl"); at != std::string::npos; at = text.find("\\prl", at + 1)) ++count;
  return count;
}

// The monitor loaded as the spooler service of Windows holds it, and its UI library as
// Explorer may hold it.
struct HeldMonitor {
  bool Holds() const { return monitor.Loaded() && ui; }
  LoadedMonitor monitor;
  Unique<HMODULE, FreeLibrary> ui{LoadLibraryA(SystemFile(kMonitorUiLibrary).c_str())};
};

// The spooler service of Windows keeps the monitor loaded, and Explorer may hold its UI
// library: an upgrade replaces them and a removal takes them away all the same, the
// files in use going when Windows restarts. A second process (this test) holds both.
TEST(MonitorSetup, AnUpgradeAndARemovalGoThroughWhileAnotherProcessHoldsTheMonitor) {
  const std::string newer = NewerSetupFolder();
  const size_t pendingBefore = PendingDeletions();
  std::optional<HeldMonitor> held(std::in_place);
  ASSERT_TRUE(held->Holds());
  ChildResult upgrade = RunSetup("install", newer + "\\PrlSetup.exe");
  EXPECT_EQ(upgrade.exitCode, 0u) << upgrade.output;
  for (const char* library : {kMonitorLibrary, kMonitorUiLibrary})
    EXPECT_TRUE(Contents(SystemFile(library)) == Contents(newer + "\\" + library)) << library << upgrade.output;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey));
  EXPECT_EQ(PendingDeletions(), pendingBefore + 2) << upgrade.output;

  held.emplace();  // the newer files, loaded
  ASSERT_TRUE(held->Holds());
  ChildResult removal = RunSetup("uninstall", newer + "\\PrlSetup.exe");
  EXPECT_EQ(removal.exitCode, 0u) << removal.output;
  for (const char* library : {kMonitorLibrary, kMonitorUiLibrary})
    EXPECT_EQ(GetFileAttributesA(SystemFile(library).c_str()), INVALID_FILE_ATTRIBUTES) << library << removal.output;
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey));
  EXPECT_EQ(PendingDeletions(), pendingBefore + 4);

  held.reset();
  EXPECT_EQ(RunSetup("install").exitCode, 0u);
}

}  // namespace
