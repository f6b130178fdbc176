// PraloLpr.dll inside the real spooler: its ports at both levels, and deleting them.
#include <windows.h>

#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "MonitorRegistry.h"
#include "Unique.h"
#include "access_list.h"
#include "child_process.h"
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

int RunSetup(const char* command) {
  return static_cast<int>(RunChild("\"" + DistFile("monitor\\PrlSetup.exe") + "\" " + command).exitCode);
}

// Port keys hold the SNMP community: a user reads none of the monitor's keys, nor the
// ports kept while it is removed, nor the folder of its jobs' files and lock, whether
// setup made them or found them made by an older version with the inherited ACL.
TEST(MonitorSetup, OnlySystemAndAdministratorsReachTheMonitorsKeysAndFolder) {
  const std::string port = std::string(kPortNamesKey) + "\\Secret";
  const std::string kept = "Software\\Pralo\\Port Manager\\Kept ports";
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  const std::string folder = std::string(system) + "\\spool\\PraloLpr";
  SetTextValue(HKEY_LOCAL_MACHINE, port, "CommunityName", "hush");
  struct Step {
    const char* name;
    const char* setup;
    std::vector<std::string> keys;
  };
  for (const Step& step : {
           Step{"UpgradeOverAnOlderInstallation", "install", {kMonitorKey, kPortNamesKey, port}},
           Step{"Removal", "uninstall", {kept, kept + "\\Port Names\\Secret"}},
           Step{"InstallAgain", "install", {kMonitorKey, kPortNamesKey, port}},
       }) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(RunSetup(step.setup), 0);
    for (const std::string& key : step.keys) EXPECT_EQ(OrdinaryAccountsOfKey(key), "none") << key;
  }
  EXPECT_EQ(OrdinaryAccountsOfFile(folder), "none");
  DeleteTree(HKEY_LOCAL_MACHINE, port);
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
  ChildResult result = RunChild("\"" + folder + "\\PrlSetup.exe\" install");
  for (const char* file : {"PrlSetup.exe", "PraloLpr.dll"}) DeleteFileA((folder + "\\" + file).c_str());
  RemoveDirectoryA(folder.c_str());
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.output.find("users can change the files of"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("copied"), std::string::npos) << result.output;
}

}  // namespace
