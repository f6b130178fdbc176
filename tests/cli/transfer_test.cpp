// prlport export and import in the lab: a machine's ports and discovery scope carried
// whole to a machine without them, JSON that PowerShell reads, and an import that
// changes nothing unless the whole file is good.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "CodePage.h"
#include "DiscoveryScope.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "SnmpCredentials.h"
#include "Unique.h"
#include "access_list.h"
#include "prlport_run.h"
#include "registry.h"
#include "spooler_lab.h"
#include "transfer_files.h"

namespace {

using nlohmann::json;

json ReadJson(const std::string& path) { return json::parse(std::ifstream(path, std::ios::binary)); }

std::string Document(const std::string& ports, const std::string& rest = "") {
  return R"({"format": "Pralo TCP/IP Port ports", "version": 1, "ports": [)" + ports + "]" + rest + "}";
}

std::string Port(const std::string& name, const std::string& address, const std::string& rawPort = "9100") {
  return R"({"name": ")" + name + R"(", "DeviceIP": ")" + address +
         R"(", "CommunityName": "mirabo", "Protocal": 9100, "LprQueue": "", "LprByteCounting": 0, "RawPortNumber": )" +
         rawPort + R"(, "BiDiEnabled": 1, "ConfigUpdateInt": 30, "StatusUpdateInt": 10})";
}

// A port's JSON with one value replaced by the given JSON text.
std::string With(std::string port, const std::string& key, const std::string& value) {
  const size_t at = port.find("\"" + key + "\": ");
  return port.replace(at, port.find_first_of(",}", at) - at, "\"" + key + "\": " + value);
}

// A Discovery key that takes values but no lasting subkey, as a registry that refuses a
// write halfway: the scope's mask could be written, its addresses cannot.
void MakeScopeUnwritable() {
  DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  UniqueKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDiscoveryKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  SetTextValue(HKEY_LOCAL_MACHINE, kDiscoveryKey, "SubnetMask", "255.255.0.0");
}

std::string ScopeText(const std::optional<StoredScope>& scope) {
  if (!scope) return "none";
  std::string text = scope->mask;
  for (const std::string& address : scope->addresses) text += " " + address;
  return text;
}

class TransferTest : public testing::Test {
 protected:
  TransferTest() {
    spooler.AddMonitorPort("Used", "127.1.0.20");
    spooler.AddLocalPrinter("Office", "Used");
  }
  ~TransferTest() override {
    // What a failing import may have left, too.
    for (const char* name : {"CarryRaw", "CarryLpr", "NewOne", "Bad", "\xc4rger", "Queue", "Esc"})
      DeleteTree(HKEY_LOCAL_MACHINE, PortKeyPath(name));
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
    bool scopeUnwritable = false;
  };
  const std::string good = Port("NewOne", "127.1.0.99");
  const std::string scope = R"(, "discovery": {"SubnetMask": "255.255.255.0", "SubnetAddresses": ["127.2.0.0"]})";
  for (const Case& c : {
           Case{Document(good + "," + Port("Bad", "x", "70000")), "", 1,
                "ports[1] (\"Bad\"): \"RawPortNumber\" must be a whole number from 0 to 65535"},
           Case{Document(good + "," + Port("used", "x")), "", 1, "ports[1] (\"used\"): a port of this name exists"},
           Case{Document(good + "," + Port("LPT1:", "x")), "--replace", 1, "a port of \"Local Monitor\" has this name"},
           Case{Document(good).substr(0, 90), "", 1, "the file is not valid JSON"},
           Case{Document(good), "--dry-run", 0, "would add NewOne (127.1.0.99)"},
           Case{Document(good), "--bogus", 2, "unknown option --bogus"},
           Case{Document(good + "," + Port("\\u00c4rger", "x") + "," + Port("\\u00e4rger", "y")), "", 1,
                "ports[2]: the name"},
           Case{Document(good + "," + With(Port("Queue", "x"), "LprQueue", R"("q\nH evil")")), "", 1,
                "ports[1] (\"Queue\"): \"LprQueue\" holds a control character"},
           Case{Document(good + "," + With(Port("Esc", "x"), "CommunityName", R"("\u001b[2J")")), "", 1,
                "\"CommunityName\" holds a control character"},
           Case{Document(With(good, "StatusUpdateInt", "4294967295")), "", 1,
                "\"StatusUpdateInt\" must be a whole number from 0 to 999"},
           Case{Document(good + "," + Port("Used", "127.1.0.21"), scope), "--replace", 3,
                "; no port was imported", true},
       }) {
    SCOPED_TRACE(c.document + " " + c.options);
    if (c.scopeUnwritable) MakeScopeUnwritable();
    const std::string scopeBefore = ScopeText(ReadStoredScope());
    WriteText(file, c.document);
    ChildResult result = PrlPort("import " + file + " " + c.options);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_FALSE(PortKeyExists("NewOne"));
    EXPECT_EQ(StoredText("Used", "DeviceIP"), "127.1.0.20");
    EXPECT_EQ(ScopeText(ReadStoredScope()), scopeBefore);
  }
}

// What the program, the monitor or an older version can leave stored, exported where it
// is and imported where it is gone, exports the same again.
TEST_F(TransferTest, EveryStoredStateExportsAndImportsBackTheSame) {
  const std::string carried = PortKeyPath("CarryRaw");
  struct Case {
    const char* state;
    std::function<void()> store;
  };
  for (const Case& c : {
           Case{"a scope without a mask",
                [] { SetTextValue(HKEY_LOCAL_MACHINE, std::string(kDiscoveryKey) + "\\SubnetAddresses", "127.2.0.0", ""); }},
           Case{"a raw port on number 0, as the wizard stores a printer of no known model",
                [&] { ASSERT_EQ(PrlPort("add CarryRaw 127.1.0.99 --custom --raw 0").exitCode, 0u); }},
           Case{"a port with its address only", [&] { SetTextValue(HKEY_LOCAL_MACHINE, carried, "DeviceIP", "127.1.0.99"); }},
           Case{"intervals beyond the dialog's range",
                [&] {
                  SetTextValue(HKEY_LOCAL_MACHINE, carried, "DeviceIP", "127.1.0.99");
                  SetNumberValue(HKEY_LOCAL_MACHINE, carried, "StatusUpdateInt", 4294967295u);
                  SetNumberValue(HKEY_LOCAL_MACHINE, carried, "ConfigUpdateInt", 5000);
                }},
           Case{"an IPP port whose printer's certificate the monitor met (it stays behind)",
                [&] {
                  ASSERT_EQ(PrlPort("add CarryRaw --ipp ipps://127.1.0.99:8631/ipp/print --document-format "
                                    "application/pdf").exitCode, 0u);
                  SetTextValue(HKEY_LOCAL_MACHINE, carried, "IppCertificate", std::string(64, 'a'));
                }},
       }) {
    SCOPED_TRACE(c.state);
    c.store();
    ASSERT_EQ(PrlPort("export " + file).exitCode, 0u);
    const json exported = ReadJson(file);
    DeleteTree(HKEY_LOCAL_MACHINE, carried);
    DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
    ChildResult imported = PrlPort("import " + file + " --replace");  // "Used" is still here
    EXPECT_EQ(imported.exitCode, 0u) << imported.output;
    ASSERT_EQ(PrlPort("export " + file).exitCode, 0u);
    EXPECT_EQ(ReadJson(file), exported);
    DeleteTree(HKEY_LOCAL_MACHINE, carried);
    DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  }
}

// Windows refuses WC_NO_BEST_FIT_CHARS and the default-character question for UTF-8
// (ERROR_INVALID_PARAMETER, the WideCharToMultiByte page); Wine's conversion takes them,
// so the import's conversion is driven here as Windows with the code page 65001 answers.
UINT WINAPI Utf8AnsiCodePage() { return CP_UTF8; }
int WINAPI WindowsUtf8Conversion(UINT codePage, DWORD flags, LPCWCH wide, int length, LPSTR text, int size,
                                 LPCCH defaultChar, LPBOOL defaultUsed) {
  if (codePage == CP_ACP) codePage = CP_UTF8;
  if ((flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) != 0 || defaultChar != nullptr || defaultUsed != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return WideCharToMultiByte(codePage, flags, wide, length, text, size, nullptr, nullptr);
}

TEST(CodePage, WhereTheAnsiCodePageIsUtf8EveryTextConverts) {
  const CodePageSystem windowsOnUtf8{&Utf8AnsiCodePage, &WindowsUtf8Conversion};
  for (const char* text : {"B\xc3\xbcro", "\xe2\x82\xac 5", "plain", ""})
    EXPECT_EQ(Utf8ToAnsiOn(windowsOnUtf8, text), std::optional<std::string>(text)) << text;
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

// An undone import puts a replaced port's sealed pass phrases back byte for byte, or
// removes those it sealed into a port that had none.
TEST_F(TransferTest, AnUndoneImportLeavesThePortsSealedPassPhrasesAsTheyWere) {
  const std::string secrets = TempFile("prlport-transfer-secrets.txt");
  WriteText(secrets, "own auth Quiet Harbour 81\nown priv Lantern-Ledger-44\n");
  ASSERT_EQ(PrlPort("snmpv3 port Used user own --secrets-file " + secrets).exitCode, 0u);
  json document = json::parse(PrlPort("export").output);
  document["discovery"] = {{"SubnetMask", "255.255.255.0"}, {"SubnetAddresses", {"127.2.0.0"}}};
  WriteText(file, document.dump());
  WriteText(secrets, "own auth Rotated-Phrase-1\nown priv Rotated-Phrase-2\n");
  auto sealed = [] {
    return std::pair{GetRawValue(HKEY_LOCAL_MACHINE, PortKeyPath("Used"), kSnmpV3AuthPassphraseValue).data,
                     GetRawValue(HKEY_LOCAL_MACHINE, PortKeyPath("Used"), kSnmpV3PrivPassphraseValue).data};
  };
  for (const char* before : {"snmpv3 show", "snmpv3 port Used community"}) {
    ASSERT_EQ(PrlPort(before).exitCode, 0u);
    const auto was = sealed();
    MakeScopeUnwritable();
    EXPECT_EQ(PrlPort("import " + file + " --replace --secrets-file " + secrets).exitCode, 3u);
    EXPECT_EQ(sealed(), was) << "after " << before;
  }
  DeleteFileA(secrets.c_str());
}

}  // namespace
