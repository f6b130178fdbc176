#include "lab_printers.h"

#include <winsock2.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

bool LabPrinter::Answers(const std::string& community) const {
  for (const std::string& accepted : communities)
    if (accepted == community) return true;
  return false;
}

uint32_t HostOrder(const std::string& dotted) { return ntohl(inet_addr(dotted.c_str())); }

std::vector<LabPrinter> LabPrinters() {
  std::vector<LabPrinter> printers;
  std::ifstream table(PRALO_LAB_PRINTERS);
  std::string line;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() != 6) continue;
    LabPrinter& printer = printers.emplace_back();
    printer.address = fields[0];
    printer.hostOrder = HostOrder(fields[0]);
    printer.sysObjectId = fields[1];
    printer.sysName = fields[2];
    printer.sysDescr = fields[3];
    printer.model = fields[4] == "-" ? "" : fields[4];
    std::stringstream communities(fields[5]);
    for (std::string community; std::getline(communities, community, ',');) printer.communities.push_back(community);
  }
  return printers;
}

bool RunLabAgent(const std::string& arguments) { return RunLabTool("lab-agent", arguments); }

bool RunLabTool(const std::string& tool, const std::string& arguments) {
  const char* labDir = std::getenv("PRALO_LAB_DIR");
  if (labDir == nullptr) return false;
  static int runs = 0;
  const std::string done = std::string(labDir) + "/" + tool + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++runs);
  std::string command = "Z:\\bin\\sh -c \"" PRALO_LAB_BIN "/" + tool + " " + arguments + " >/dev/null 2>&1; echo $? >" +
                        done + ".tmp; mv " + done + ".tmp " + done + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  // Wine starts a Unix program without a process or thread handle of its own: what it
  // leaves in the structure is no handle of ours, and closing it could close one that is
  // (the 32-bit build lost its registry root that way). The result file says when it ends.
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return false;
  // Starting an agent waits up to 5 s for it to bind; stopping one up to 5 s for it to end.
  for (int waited = 0; waited < 300; ++waited) {
    std::ifstream result("Z:" + done);
    int code = -1;
    if (result >> code) return code == 0;
    Sleep(50);
  }
  return false;
}
