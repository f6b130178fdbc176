// SNMPv3 users through prlport in the lab: pass phrases from a file or standard input
// only, stored sealed in keys that only administrators read, never in an export, and
// carried to another machine by one secrets file beside the ports' file.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

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

constexpr char kAuthPhrase[] = "Quiet Harbour 81";
constexpr char kPrivPhrase[] = "Lantern-Ledger-44";
const std::string kSecrets = std::string("# lab users\r\nfleet auth ") + kAuthPhrase + "\r\nfleet priv " + kPrivPhrase +
                             "\nown auth " + kAuthPhrase + "\nown priv " + kPrivPhrase + "\nshort auth tiny\n";

std::string Utf16Bytes(const std::string& text) {
  std::string wide;
  for (char c : text) wide += std::string{c, '\0'};
  return wide;
}

// Whether any value's data or name below the key holds the bytes.
bool KeyTreeHolds(HKEY parent, const std::string& path, const std::string& bytes) {
  UniqueKey key;
  if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  char name[256];
  BYTE data[8192];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name, dataSize = sizeof data;
    if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, nullptr, data, &dataSize) != ERROR_SUCCESS) break;
    if (std::string(reinterpret_cast<char*>(data), dataSize).find(bytes) != std::string::npos) return true;
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (KeyTreeHolds(key.get(), name, bytes)) return true;
  }
  return false;
}

bool MonitorKeysHold(const std::string& phrase) {
  return KeyTreeHolds(HKEY_LOCAL_MACHINE, kMonitorKey, phrase) ||
         KeyTreeHolds(HKEY_LOCAL_MACHINE, kMonitorKey, Utf16Bytes(phrase));
}

std::string PrlPortFromStdin(const std::string& file, const std::string& arguments) {
  return "cmd /c type \"" + file + "\" | \"" + DistFile("prlport.exe") + "\" " + arguments;
}

class SnmpV3Test : public testing::Test {
 protected:
  SnmpV3Test() {
    spooler.AddMonitorPort("Used", "127.1.0.20");
    WriteText(secrets, kSecrets);
  }
  ~SnmpV3Test() override {
    DeleteTree(HKEY_LOCAL_MACHINE, kSnmpProfileKey);
    DeleteTree(HKEY_LOCAL_MACHINE, PortKeyPath("CarryV3"));
    DeleteFileA(secrets.c_str());
  }
  SpoolerLab spooler;
  const std::string secrets = TempFile("prlport-secrets.txt");
  const std::string file = TempFile("prlport-snmpv3.json");
};

TEST_F(SnmpV3Test, PassPhrasesAreStoredOnlySealedInKeysThatOnlyAdministratorsRead) {
  struct Case {
    const char* arguments;
    std::string key;
    bool piped;
    std::function<std::optional<UsmUser>()> stored;
  };
  for (const Case& c : {
           Case{"snmpv3 profile fleet --auth sha256 --secrets-file ", kSnmpProfileKey, false,
                [] {
                  auto profile = ReadSnmpProfile();
                  return profile ? std::optional<UsmUser>(profile->user) : std::nullopt;
                }},
           Case{"snmpv3 port used user own --secrets-file ", PortKeyPath("Used"), true,
                [] { return PortUsmUser(ReadStoredPort("Used").port); }},
       }) {
    SCOPED_TRACE(c.arguments);
    ChildResult result = c.piped ? RunChild(PrlPortFromStdin(secrets, std::string(c.arguments) + "-"))
                                 : PrlPort(c.arguments + secrets);
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_FALSE(MonitorKeysHold(kAuthPhrase));
    EXPECT_FALSE(MonitorKeysHold(kPrivPhrase));
    EXPECT_EQ(GetRawValue(HKEY_LOCAL_MACHINE, c.key, kSnmpV3PrivPassphraseValue).type, DWORD{REG_BINARY});
    EXPECT_EQ(OrdinaryAccountsOfKey(c.key), "none");
    const std::optional<UsmUser> user = c.stored();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->authPassphrase, kAuthPhrase) << "unsealed by the reader again";
    EXPECT_EQ(user->privPassphrase, kPrivPhrase);
    EXPECT_EQ(user->level, UsmLevel::AuthPriv);
  }
  EXPECT_NE(PrlPort("snmpv3 show").output.find("HMAC-SHA-256-192"), std::string::npos);
  EXPECT_NE(PrlPort("show Used").output.find("SNMPv3 (user own)"), std::string::npos);
  ASSERT_EQ(PrlPort("snmpv3 port Used community").exitCode, 0u);
  EXPECT_FALSE(GetRawValue(HKEY_LOCAL_MACHINE, PortKeyPath("Used"), kSnmpV3AuthPassphraseValue).exists);
  ASSERT_EQ(PrlPort("snmpv3 clear").exitCode, 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSnmpProfileKey));
}

TEST_F(SnmpV3Test, PassPhrasesOnTheCommandLineAndIncompleteUsersAreRefusedAndChangeNothing) {
  const std::string bad = TempFile("prlport-bad-secrets.txt");
  WriteText(bad, "fleet auth Quiet Harbour 81\ngarbled-secret-line\n");
  struct Case {
    std::string arguments;
    DWORD exitCode;
    const char* says;
  };
  for (const Case& c : {
           Case{"snmpv3 profile fleet --auth-passphrase Sneaky-Phrase-1", 2, "never taken on the command line"},
           Case{"snmpv3 port Used user own --priv-passphrase Sneaky-Phrase-1", 2, "never taken on the command line"},
           Case{"snmpv3 profile fleet", 2, "missing --secrets-file"},
           Case{"snmpv3 profile nobody --secrets-file " + secrets, 1, "no auth pass phrase for the SNMPv3 user nobody"},
           Case{"snmpv3 profile short --level auth --secrets-file " + secrets, 1, "shorter than 8 characters"},
           Case{"snmpv3 profile fleet --level none --secrets-file " + secrets, 1, "--level is noauth, auth or priv"},
           Case{"snmpv3 profile fleet --secrets-file " + bad, 1, "line 2: not of the form"},
           Case{"snmpv3 port Nowhere profile", 1, "no port \"Nowhere\""},
           Case{"snmpv3 port Used sideways", 2, "community, profile or user USER"},
       }) {
    SCOPED_TRACE(c.arguments);
    ChildResult result = PrlPort(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
    EXPECT_EQ(result.output.find("garbled-secret"), std::string::npos) << "a secret is never echoed";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSnmpProfileKey));
    EXPECT_EQ(StoredNumber("Used", kSnmpVersionValue), 0xFFFFFFFFu);
  }
  DeleteFileA(bad.c_str());
}

TEST_F(SnmpV3Test, AnExportSaysTheVersionWithoutSecretsAndImportTakesThemFromASecretsFile) {
  ASSERT_EQ(PrlPort("add CarryV3 127.1.0.98 --custom").exitCode, 0u);
  ASSERT_EQ(PrlPort("snmpv3 port CarryV3 user own --secrets-file " + secrets).exitCode, 0u);
  ASSERT_EQ(PrlPort("snmpv3 port Used profile").exitCode, 0u);
  ASSERT_EQ(PrlPort("export " + file).exitCode, 0u);
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.find(kAuthPhrase), std::string::npos);
  EXPECT_EQ(text.find(kPrivPhrase), std::string::npos);
  const json exported = json::parse(text);
  json carried;
  for (const json& port : exported["ports"])
    if (port["name"] == "CarryV3") carried = port;
  EXPECT_EQ(carried["SnmpVersion"], 3);
  EXPECT_EQ(carried["SnmpV3User"], "own");
  EXPECT_EQ(json::parse(PrlPort("show CarryV3 --json").output), carried);
  const json listed = json::parse(PrlPort("list --json").output);
  for (const json& port : listed)
    EXPECT_EQ(port["snmpVersion"], port["monitor"] == kMonitorName ? json(3) : json(nullptr)) << port["name"];

  DeleteTree(HKEY_LOCAL_MACHINE, PortKeyPath("CarryV3"));
  ChildResult refused = PrlPort("import " + file + " --replace");
  EXPECT_EQ(refused.exitCode, 1u);
  EXPECT_NE(refused.output.find("give them with --secrets-file FILE"), std::string::npos) << refused.output;
  EXPECT_FALSE(PortKeyExists("CarryV3"));
  ChildResult imported = PrlPort("import " + file + " --replace --secrets-file " + secrets);
  ASSERT_EQ(imported.exitCode, 0u) << imported.output;
  const std::optional<UsmUser> user = PortUsmUser(ReadStoredPort("CarryV3").port);
  ASSERT_TRUE(user);
  EXPECT_EQ(user->name, "own");
  EXPECT_EQ(user->privPassphrase, kPrivPhrase);
  EXPECT_FALSE(MonitorKeysHold(kPrivPhrase));
  EXPECT_EQ(StoredNumber("Used", kSnmpVersionValue), 3u);
  // A new pass phrase in the secrets file is applied, named but not shown, and then is as stored.
  WriteText(secrets, std::string("own auth ") + kAuthPhrase + "\nown priv Rotated-Phrase-2\n");
  for (const bool changes : {true, false}) {
    ChildResult applied = PrlPort("apply " + file + " --json --secrets-file " + secrets);
    ASSERT_EQ(applied.exitCode, 0u) << applied.output;
    EXPECT_EQ(json::parse(applied.output)["changed"], changes) << applied.output;
    EXPECT_EQ(applied.output.find("Rotated"), std::string::npos) << applied.output;
  }
  EXPECT_EQ(PortUsmUser(ReadStoredPort("CarryV3").port)->privPassphrase, "Rotated-Phrase-2");
}

}  // namespace
