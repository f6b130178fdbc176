// prlport export and import in the lab: a machine's ports and discovery scope carried
// whole to a machine without them, JSON that PowerShell reads, and an import that
// changes nothing unless the whole file is good.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "DiscoveryScope.h"
#include "MonitorRegistry.h"
#include "access_list.h"
#include "prlport_run.h"
#include "registry.h"
#include "spooler_lab.h"

namespace {

using nlohmann::json;

std::string TempFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  return std::string(folder) + name;
}

json ReadJson(const std::string& path) { return json::parse(std::ifstream(path, std::ios::binary)); }

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool PortKeyExists(const std::string& name) { return KeyExists(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + name); }

std::string Document(const std::string& ports) {
  return R"({"format": "Pralo TCP/IP Port ports", "version": 1, "ports": [)" + ports + "]}";
}

std::string Port(const std::string& name, const std::string& address, const std::string& rawPort = "9100") {
  return R"({"name": ")" + name + R"(", "DeviceIP": ")" + address +
         R"(", "CommunityName": "mirabo", "Protocal": 9100, "LprQueue": "", "LprByteCounting": 0, "RawPortNumber": )" +
         rawPort + R"(, "BiDiEnabled": 1, "ConfigUpdateInt": 30, "StatusUpdateInt": 10})";
}

class TransferTest : public testing::Test {
 protected:
  TransferTest() {
    spooler.AddMonitorPort("Used", "127.1.0.20");
    spooler.AddLocalPrinter("Office", "Used");
  }
  ~TransferTest() override {
    for (const char* name : {"CarryRaw", "CarryLpr", "NewOne"})
      DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + name);
    DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  }
  SpoolerLab spooler;
  const std::string file = TempFile("prlport-transfer.json");
};

TEST_F(TransferTest, AnExportImportedWhereThePortsAreGoneGivesTheSamePortsAndScope) {
  ASSERT_EQ(PrlPort("add CarryRaw 127.1.0.99 --custom --raw 9101 --community Sec").exitCode, 0u);
  ASSERT_EQ(PrlPort("add CarryLpr labels-3 --custom --lpr zpl --byte-counting --config-interval 45").exitCode, 0u);
  ASSERT_EQ(StoreScope({"255.255.0.0", {"127.2.0.0", "127.020.0.0"}}), 0);
  ChildResult exported = PrlPort("export " + file);
  ASSERT_EQ(exported.exitCode, 0u) << exported.output;
  const json before = ReadJson(file);
  json carried;
  for (const json& port : before["ports"])
    if (port["name"] == "CarryLpr") carried = port;
  EXPECT_EQ(json::parse(PrlPort("show carrylpr --json").output), carried);
  EXPECT_EQ(carried["LprQueue"], "zpl");
  EXPECT_EQ(carried["ConfigUpdateInt"], 45);

  for (const char* name : {"CarryRaw", "CarryLpr"}) DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\" + name);
  DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  ChildResult imported = PrlPort("import " + file + " --replace");  // "Used" is still here
  ASSERT_EQ(imported.exitCode, 0u) << imported.output;
  EXPECT_NE(imported.output.find("added CarryRaw (127.1.0.99)"), std::string::npos) << imported.output;
  EXPECT_NE(imported.output.find("replaced Used (127.1.0.20)"), std::string::npos) << imported.output;
  ASSERT_EQ(PrlPort("export " + file).exitCode, 0u);
  EXPECT_EQ(ReadJson(file), before);
  EXPECT_NE(PrlPort("list").output.find("CarryLpr "), std::string::npos);
}

// An export holds every port's community: its owner and the Administrators read it, no
// one else, even where a file of that name was there before with the default access.
TEST_F(TransferTest, AnExportIsReadableByItsOwnerAndTheAdministratorsOnly) {
  for (const bool there : {false, true}) {
    SCOPED_TRACE(there ? "over a file that was there" : "a new file");
    DeleteFileA(file.c_str());
    if (there) WriteText(file, "{}");
    ASSERT_EQ(PrlPort("export " + file).exitCode, 0u);
    EXPECT_EQ(OrdinaryAccountsOfFile(file), "none");
    EXPECT_TRUE(ReadJson(file).contains("ports"));
  }
}

TEST_F(TransferTest, AFileThatIsNotWhollyGoodChangesNothing) {
  struct Case {
    std::string document;
    const char* options;
    DWORD exitCode;
    const char* says;
  };
  const std::string good = Port("NewOne", "127.1.0.99");
  for (const Case& c : {
           Case{Document(good + "," + Port("Bad", "x", "70000")), "", 1,
                "ports[1] (\"Bad\"): \"RawPortNumber\" must be a whole number from 0 to 65535"},
           Case{Document(good + "," + Port("used", "x")), "", 1, "ports[1] (\"used\"): a port of this name exists"},
           Case{Document(good + "," + Port("LPT1:", "x")), "--replace", 1, "a port of \"Local Monitor\" has this name"},
           Case{Document(good).substr(0, 90), "", 1, "the file is not valid JSON"},
           Case{Document(good), "--dry-run", 0, "would add NewOne (127.1.0.99)"},
           Case{Document(good), "--bogus", 2, "unknown option --bogus"},
       }) {
    SCOPED_TRACE(c.document + " " + c.options);
    WriteText(file, c.document);
    ChildResult result = PrlPort("import " + file + " " + c.options);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_FALSE(PortKeyExists("NewOne"));
  }
}

TEST_F(TransferTest, ReplacingAnAddressMarksItForTheMonitorAndListJsonNamesThePrinters) {
  WriteText(file, Document(Port("Used", "127.1.0.21")));
  ASSERT_EQ(PrlPort("import " + file + " --replace").exitCode, 0u);
  RawValue updated = GetRawValue(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\Used", "SnmpUpdated");
  ASSERT_EQ(updated.data.size(), 4u);
  EXPECT_EQ(updated.data[0], 1);
  bool listed = false;
  for (const json& port : json::parse(PrlPort("list --json").output))
    if (port["name"] == "Used") {
      listed = true;
      EXPECT_EQ(port["monitor"], "Pralo TCP/IP Port");
      EXPECT_EQ(port["printers"], json::array({"Office"}));
    }
  EXPECT_TRUE(listed);
}

}  // namespace
