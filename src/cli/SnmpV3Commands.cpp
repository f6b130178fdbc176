#include "SnmpV3Commands.h"

#include <cstdio>

#include "MonitorPorts.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "PortNameCompare.h"
#include "SecretsFile.h"
#include "SnmpSecrets.h"
#include "TextField.h"
#include "UsmError.h"

namespace {

struct UserOptions {
  UsmUser user;
  std::optional<std::string> secretsPath;
  bool insteadOfCommunity = false;
};

UsmLevel LevelNamed(const std::string& text) {
  if (text == "noauth") return UsmLevel::NoAuthNoPriv;
  if (text == "auth") return UsmLevel::AuthNoPriv;
  if (text == "priv") return UsmLevel::AuthPriv;
  Refuse("--level is noauth, auth or priv: " + text);
}

UsmAuth AuthNamed(const std::string& text) {
  if (text == "sha") return UsmAuth::HmacSha96;
  if (text == "sha256") return UsmAuth::HmacSha256;
  Refuse("--auth is sha or sha256: " + text);
}

void RequireAes(const std::string& text) {
  if (text != "aes") Refuse("--priv is aes: " + text);
}

bool IsPassphraseOption(const std::string& option) { return option.find("pass") != std::string::npos; }

// USER [--level L] [--auth A] [--priv aes] --secrets-file FILE|-, and for the profile
// --instead-of-community.
UserOptions ReadUser(CommandLine& line, bool profile) {
  UserOptions read;
  read.user.name = FittingText(line.Take("SNMPv3 user name"), sizeof PortSnmpChoice::v3User, "the SNMPv3 user name");
  if (read.user.name.empty() || read.user.name.rfind("--", 0) == 0) UsageFailure("missing SNMPv3 user name");
  while (std::optional<std::string> option = line.TakeOption()) {
    if (*option == "--level") read.user.level = LevelNamed(line.TakeValue(*option));
    else if (*option == "--auth") read.user.auth = AuthNamed(line.TakeValue(*option));
    else if (*option == "--priv") RequireAes(line.TakeValue(*option));
    else if (*option == "--secrets-file") read.secretsPath = line.TakeValue(*option);
    else if (*option == "--instead-of-community" && profile) read.insteadOfCommunity = true;
    else if (IsPassphraseOption(*option))
      UsageFailure(*option + ": a pass phrase is never taken on the command line, where every process listing shows "
                             "it; give --secrets-file FILE, or - for standard input");
    else UsageFailure("unknown option " + *option);
  }
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  if (read.user.level != UsmLevel::AuthPriv) read.user.priv = UsmPriv::None;
  if (read.user.level == UsmLevel::NoAuthNoPriv) read.user.auth = UsmAuth::None;
  if (!read.secretsPath && read.user.level != UsmLevel::NoAuthNoPriv)
    UsageFailure("missing --secrets-file FILE (or - for standard input) with the user's pass phrases");
  if (read.secretsPath) SecretsFile::Read(*read.secretsPath).FillIn(read.user);
  return read;
}

const char* LevelText(UsmLevel level) {
  return level == UsmLevel::NoAuthNoPriv ? "noAuthNoPriv" : level == UsmLevel::AuthNoPriv ? "authNoPriv" : "authPriv";
}

const char* AuthText(UsmAuth auth) {
  return auth == UsmAuth::HmacSha96 ? "HMAC-SHA-96" : auth == UsmAuth::HmacSha256 ? "HMAC-SHA-256-192" : "none";
}

int ShowProfile() {
  const std::optional<SnmpProfile> profile = ReadSnmpProfile();
  if (!profile) {
    std::printf("no SNMPv3 profile: identification and the search ask with the community only\n");
    return kExitOk;
  }
  std::printf("SNMPv3 user             %s\n", profile->user.name.c_str());
  std::printf("Security level          %s\n", LevelText(profile->user.level));
  std::printf("Authentication          %s\n", AuthText(profile->user.auth));
  std::printf("Privacy                 %s\n", profile->user.priv == UsmPriv::Aes128Cfb ? "AES-128" : "none");
  std::printf("Used                    %s\n",
              profile->use == ProfileUse::InsteadOfCommunity ? "instead of the community" : "after the community");
  return kExitOk;
}

int SetProfile(CommandLine& line) {
  UserOptions read = ReadUser(line, true);
  SnmpProfile profile{read.user, read.insteadOfCommunity ? ProfileUse::InsteadOfCommunity : ProfileUse::AfterCommunity};
  if (DWORD error = StoreSnmpProfile(profile)) SystemFailure("storing the SNMPv3 profile", error);
  std::printf("the SNMPv3 profile is the user %s\n", profile.user.name.c_str());
  return kExitOk;
}

int ClearProfile(CommandLine& line) {
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  if (DWORD error = RemoveSnmpProfile()) SystemFailure("removing the SNMPv3 profile", error);
  std::printf("no SNMPv3 profile\n");
  return kExitOk;
}

std::string MonitorPort(const std::string& name) {
  for (const auto& [listed, port] : PortsByName())
    if (port.monitor == kMonitorName && SamePortName(listed, name)) return listed;
  Refuse("no port \"" + name + "\" of the monitor");
}

// The port's choice and pass phrases; the monitor is told by "SnmpUpdated".
void StoreChoice(const std::string& name, const PortSnmpChoice& choice, const UsmUser& user) {
  StoredPort port = ReadStoredPort(name).port;
  port.snmp = choice;
  port.snmpUpdated = 1;
  const DWORD error = choice.v3User[0] != '\0' ? StorePortPassphrases(name, user) : RemovePortPassphrases(name);
  if (error != 0) SystemFailure("storing the port's pass phrases", error);
  if (!WriteStoredPort(port, PortKeyOpening::ExistingOnly)) SystemFailure("writing the port", GetLastError());
  std::printf("the port %s asks its printer by %s\n", name.c_str(), SnmpChoiceText(choice).c_str());
}

int SetPortChoice(CommandLine& line) {
  const std::string name = MonitorPort(line.Take("port name"));
  const std::string choice = line.Take("community, profile or user");
  PortSnmpChoice stored;
  UsmUser user;
  if (choice == "user") {
    user = ReadUser(line, false).user;
    stored = {kSnmpV3, {}, static_cast<uint32_t>(user.level), static_cast<uint32_t>(user.auth),
              static_cast<uint32_t>(user.priv)};
    CopyText(stored.v3User, user.name);
  } else if (choice == "community" || choice == "profile") {
    if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
    stored.version = choice == "profile" ? kSnmpV3 : kSnmpCommunity;
  } else {
    UsageFailure("a port asks by community, profile or user USER: " + choice);
  }
  StoreChoice(name, stored, user);
  // A fleet may set its ports before the profile: accepted, and said.
  if (choice == "profile" && !ReadSnmpProfile())
    std::fprintf(stderr, "prlport: %s: the port's printer is not asked until one is (prlport snmpv3 profile)\n",
                 UsmErrorText(UsmError::NoProfile));
  return kExitOk;
}

}  // namespace

int SnmpV3(CommandLine& line) {
  const std::string what = line.Take("profile, clear, show or port");
  if (what == "profile") return SetProfile(line);
  if (what == "clear") return ClearProfile(line);
  if (what == "port") return SetPortChoice(line);
  if (what != "show") UsageFailure("unknown snmpv3 command " + what);
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  return ShowProfile();
}
