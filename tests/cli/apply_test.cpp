// prlport apply in the lab: a machine brought to a file, each starting state and file
// of the table run twice, the second run reporting and writing nothing.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "PortConfig.h"
#include "SpoolerLists.h"
#include "TextField.h"
#include "prlport_run.h"
#include "spooler_lab.h"
#include "transfer_files.h"

namespace {

using nlohmann::json;

PortConfig RawPort(const char* name, const char* address) {
  PortConfig config;
  ResetPortConfig(config, name);
  CopyText(config.deviceIP, address);
  CopyText(config.communityName, "mirabo");
  config.rawPortNumber = 9100;
  return config;
}

json PortEntry(const char* name, const char* address) {
  return {{"name", name},         {"DeviceIP", address},    {"CommunityName", "mirabo"}, {"Protocal", 9100},
          {"LprQueue", ""},       {"LprByteCounting", 0},   {"RawPortNumber", 9100},     {"BiDiEnabled", 0},
          {"ConfigUpdateInt", 30}, {"StatusUpdateInt", 10}, {"SnmpUpdated", 0}};
}

json& Entry(json& file, const char* name) {
  for (json& port : file["ports"])
    if (port["name"] == name) return port;
  throw std::runtime_error(std::string("no port ") + name + " in the file");
}

void Drop(json& file, const char* name) {
  json& ports = file["ports"];
  for (auto port = ports.begin(); port != ports.end(); ++port)
    if ((*port)["name"] == name) return void(ports.erase(port));
}

// When each of the monitor's port keys was last written.
std::map<std::string, uint64_t> PortKeyWrites() {
  std::map<std::string, uint64_t> writes;
  for (const SpoolerPort& port : SpoolerPorts()) {
    const FILETIME written = KeyLastWrite(HKEY_LOCAL_MACHINE, PortKeyPath(port.name));
    writes[port.name] = uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
  }
  return writes;
}

// The ports of the other monitors, which apply never touches, as a new process lists
// them (the local monitor keeps its list for the life of the process that loaded it).
std::vector<std::string> OtherMonitorsPorts() {
  std::vector<std::string> names;
  for (const json& port : json::parse(PrlPort("list --json").output))
    if (port["monitor"] != kMonitorName) names.push_back(port["name"]);
  return names;
}

// The run's output with the line ends that a console program writes, "\r\n", as "\n".
std::string Output(const ChildResult& run) {
  std::string text = run.output;
  std::erase(text, '\r');
  return text;
}

size_t ActionLines(const std::string& output) {
  size_t count = 0;
  for (const char* verb : {"\nadd ", "\nchange ", "\nremove ", "\nscope "})
    for (size_t at = ("\n" + output).find(verb); at != std::string::npos; at = ("\n" + output).find(verb, at + 1))
      ++count;
  return count;
}

// "Used" prints to "Office"; "Keep" and "Spare" are free. "Used" holds its address only,
// the other values read as their defaults: any write to it shows in its key's time (Wine
// leaves the time alone when a value is set to the data it holds). The file starts as the
// export of this machine and each case edits it.
class ApplyTest : public testing::Test {
 protected:
  ApplyTest() {
    spooler.AddMonitorPort("Used", "127.1.0.20");
    spooler.AddLocalPrinter("Office", "Used");
    spooler.AddMonitorPort(RawPort("Keep", "127.1.0.30"));
    spooler.AddMonitorPort(RawPort("Spare", "127.1.0.40"));
  }
  ~ApplyTest() override { Forget(); }
  // Removes what a case may have added.
  static void Forget() {
    DeleteTree(HKEY_LOCAL_MACHINE, PortKeyPath("NewOne"));
    DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  }
  // The ports as the constructor made them, whatever a case did.
  static void Restore() {
    Forget();
    for (const char* name : {"Used", "Keep", "Spare"}) DeleteTree(HKEY_LOCAL_MACHINE, PortKeyPath(name));
    SetTextValue(HKEY_LOCAL_MACHINE, PortKeyPath("Used"), "DeviceIP", "127.1.0.20");
    WritePortConfig(RawPort("Keep", "127.1.0.30"), false);
    WritePortConfig(RawPort("Spare", "127.1.0.40"), false);
  }
  std::string Export() { return PrlPort("export").output; }

  SpoolerLab spooler;
  const std::string file = TempFile("prlport-apply.json");
};

// What the machine must look like after the run: untouched, written back as it was, or
// changed (and then unchanged by a second run).
enum class After { AsItWas, PutBack, Changed };

struct Case {
  const char* name;
  std::function<void(json&)> edit;  // the file, and the machine where a case needs more
  const char* options;
  DWORD exitCode;
  std::vector<std::string> says;
  After after;
  std::function<void(json& after)> check = [](json&) {};  // the machine's export after the run
};

TEST_F(ApplyTest, EachFileBringsTheMachineToItOnceAndTheSecondRunChangesNothing) {
  const Case cases[] = {
      {"add", [](json& f) { f["ports"].push_back(PortEntry("NewOne", "127.1.0.99")); }, "", 0,
       {"add NewOne\n", "unchanged 3\n"}, After::Changed,
       [](json& after) {
         EXPECT_EQ(Entry(after, "NewOne")["DeviceIP"], "127.1.0.99");
         EXPECT_EQ(Entry(after, "NewOne")["SnmpUpdated"], 0);
       }},
      {"one value", [](json& f) { Entry(f, "Keep")["RawPortNumber"] = 9101; }, "", 0,
       {"change Keep: RawPortNumber 9100 -> 9101\n", "unchanged 2\n"}, After::Changed,
       [](json& after) {
         EXPECT_EQ(Entry(after, "Keep")["RawPortNumber"], 9101);
         EXPECT_EQ(Entry(after, "Keep")["SnmpUpdated"], 0);
       }},
      {"address, the name in other letters",
       [](json& f) {
         Entry(f, "Keep")["DeviceIP"] = "127.1.0.31";
         Entry(f, "Keep")["name"] = "KEEP";
       },
       "", 0,
       {"change Keep: DeviceIP \"127.1.0.30\" -> \"127.1.0.31\"\n"}, After::Changed,
       [](json& after) {
         EXPECT_EQ(Entry(after, "Keep")["DeviceIP"], "127.1.0.31");
         EXPECT_EQ(Entry(after, "Keep")["SnmpUpdated"], 1);
       }},
      {"community", [](json& f) { Entry(f, "Keep")["CommunityName"] = "Office"; }, "", 0,
       {"change Keep: CommunityName (not shown)\n"}, After::Changed,
       [](json& after) { EXPECT_EQ(Entry(after, "Keep")["SnmpUpdated"], 1); }},
      {"a note the monitor has not taken",
       [](json& f) {
         SetNumberValue(HKEY_LOCAL_MACHINE, PortKeyPath("Keep"), "SnmpUpdated", 1);
         Entry(f, "Keep")["ConfigUpdateInt"] = 60;
       },
       "", 0, {"change Keep: ConfigUpdateInt 30 -> 60\n"}, After::Changed,
       [](json& after) { EXPECT_EQ(Entry(after, "Keep")["SnmpUpdated"], 1); }},
      {"the same", [](json&) {}, "", 0, {"unchanged 3\n"}, After::AsItWas},
      {"scope", [](json& f) { f["discovery"] = {{"SubnetMask", "255.255.0.0"}, {"SubnetAddresses", {"127.2.0.0"}}}; },
       "", 0, {"scope none -> 255.255.0.0 [127.2.0.0]\n"}, After::Changed,
       [](json& after) { EXPECT_EQ(after["discovery"]["SubnetMask"], "255.255.0.0"); }},
      {"prune a free port", [](json& f) { Drop(f, "Spare"); }, "--prune", 0, {"remove Spare\n", "unchanged 2\n"},
       After::Changed, [](json&) { EXPECT_FALSE(PortKeyExists("Spare")); }},
      {"not listed, no prune", [](json& f) { Drop(f, "Spare"); }, "", 0, {"unchanged 2\n"}, After::AsItWas},
      {"prune a port in use",
       [](json& f) {
         Drop(f, "Used");
         f["ports"].push_back(PortEntry("NewOne", "127.1.0.99"));
       },
       "--prune", 1, {"nothing was changed", "the port Used cannot be removed: it is in use by Office"},
       After::AsItWas},
      {"another monitor's name", [](json& f) { f["ports"].push_back(PortEntry("LPT1:", "127.1.0.99")); }, "--prune", 1,
       {"a port of \"Local Monitor\" has this name"}, After::AsItWas},
      {"what-if",
       [](json& f) {
         Drop(f, "Spare");
         Entry(f, "Keep")["BiDiEnabled"] = 1;
         f["ports"].push_back(PortEntry("NewOne", "127.1.0.99"));
       },
       "--prune --what-if", 0, {"change Keep: BiDiEnabled 0 -> 1\n", "add NewOne\n", "remove Spare\n", "nothing was changed"},
       After::AsItWas},
      {"one bad port",
       [](json& f) {
         Entry(f, "Keep")["DeviceIP"] = "127.1.0.31";
         f["ports"].push_back(PortEntry("NewOne", "127.1.0.99"));
         f["ports"].push_back(PortEntry("Bad", "127.1.0.98"));
         Entry(f, "Bad")["RawPortNumber"] = 70000;
       },
       "--prune", 1, {"ports[4] (\"Bad\"): \"RawPortNumber\" must be a whole number from 0 to 65535"}, After::AsItWas},
      {"a removal that fails",
       [](json& f) {
         SetTextValue(HKEY_LOCAL_MACHINE, PortKeyPath("Spare") + "\\Held", "", "");  // the monitor cannot delete it
         Drop(f, "Spare");
         Entry(f, "Keep")["DeviceIP"] = "127.1.0.31";
         f["ports"].push_back(PortEntry("NewOne", "127.1.0.99"));
         f["discovery"] = {{"SubnetMask", "255.255.0.0"}, {"SubnetAddresses", {"127.2.0.0"}}};
       },
       "--prune", 3, {"removing the port Spare", "nothing was changed"}, After::PutBack},
      {"for configuration tools", [](json& f) { Entry(f, "Keep")["RawPortNumber"] = 9101; }, "--json", 0,
       {R"({"changed":true,"whatIf":false,"actions":[{"action":"change","port":"Keep","fields":[)"
        R"({"field":"RawPortNumber","old":9100,"new":9101}]}],"unchanged":2})"},
       After::Changed},
      {"a refusal for configuration tools", [](json& f) { Drop(f, "Used"); }, "--prune --json", 1,
       {R"({"changed":false,"actions":[],"error":"nothing was changed:\nthe port Used cannot be removed: it is in use by Office"})"},
       After::AsItWas},
      {"unknown option", [](json&) {}, "--force", 2, {"unknown option --force"}, After::AsItWas},
  };
  const auto others = OtherMonitorsPorts();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restore();
    const json exported = json::parse(Export());
    json wanted = exported;
    c.edit(wanted);
    WriteText(file, wanted.dump());
    const auto writes = PortKeyWrites();
    const ChildResult run = PrlPort("apply " + file + " " + c.options);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    for (const std::string& line : c.says) EXPECT_NE(Output(run).find(line), std::string::npos) << run.output;
    EXPECT_EQ(OtherMonitorsPorts(), others);
    json after = json::parse(Export());
    if (c.after != After::Changed) {
      EXPECT_EQ(after, exported);
      if (c.after == After::AsItWas) {
        EXPECT_EQ(PortKeyWrites(), writes) << "a key was written";
      }
      continue;
    }
    c.check(after);
    const auto converged = PortKeyWrites();
    const ChildResult again = PrlPort("apply " + file + " " + c.options);
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(ActionLines(Output(again)), 0u) << again.output;
    EXPECT_EQ(PortKeyWrites(), converged) << "the second run wrote a key";
  }
}

}  // namespace
