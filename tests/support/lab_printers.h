#pragma once
// The lab's SNMP printers, as tests/lab/printers.tsv lists them, its tools, and the files it keeps.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "PrlUsmUser.h"

struct LabPrinter {
  std::string address;
  uint32_t hostOrder = 0;
  std::string sysObjectId, sysName, sysDescr, model;  // model empty: the agent has none
  std::vector<std::string> communities;
  // What a search reports as the printer's model.
  std::string ReportedModel() const { return model.empty() ? sysDescr : model; }
  bool OnLan() const { return address.rfind("127.1.0.", 0) == 0; }
  bool OnRemoteSubnet() const { return address.rfind("127.2.0.", 0) == 0; }
  bool Answers(const std::string& community) const;
};

std::vector<LabPrinter> LabPrinters();
// The lab's SNMPv3-only printers (v3printers.tsv): no community answers them.
std::vector<LabPrinter> LabV3Printers();
// The SNMPv3 user of v3users.tsv with this name, as the libraries take it; every v3 printer
// has every user. Fails the test when there is none.
PrlUsmUser LabUsmUser(const std::string& name);
std::vector<std::string> LabUsmUserNames();
uint32_t HostOrder(const std::string& dotted);

// Runs the lab's lab-agent (tests/lab/bin) with these arguments, "stop 127.1.0.40" or
// "state 127.1.0.40 paper-out", and waits until it has ended; false when it failed. It
// is a Linux program: Wine starts it, but cannot wait for it, so it leaves its exit code
// in a file of the lab that this waits for.
bool RunLabAgent(const std::string& arguments);
// The same for another tool of tests/lab/bin ("lab-folder", "writable FOLDER").
bool RunLabTool(const std::string& tool, const std::string& arguments);

// The names of the files in `folder` that match `pattern` (a lab folder, the monitor's).
std::set<std::string> FilesIn(const std::string& folder, const char* pattern);
