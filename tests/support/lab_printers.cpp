#include "lab_printers.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TextField.h"

bool LabPrinter::Answers(const std::string& community) const {
  for (const std::string& accepted : communities)
    if (accepted == community) return true;
  return false;
}

uint32_t HostOrder(const std::string& dotted) { return ntohl(inet_addr(dotted.c_str())); }

namespace {

// The rows of a tab-separated table of the lab, without comments.
std::vector<std::vector<std::string>> Rows(const char* path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream table(path);
  std::string line;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string>& fields = rows.emplace_back();
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
  }
  return rows;
}

std::vector<LabPrinter> Printers(const char* path, size_t columns) {
  std::vector<LabPrinter> printers;
  for (const std::vector<std::string>& fields : Rows(path)) {
    if (fields.size() != columns) continue;
    LabPrinter& printer = printers.emplace_back();
    printer.address = fields[0];
    printer.hostOrder = HostOrder(fields[0]);
    printer.sysObjectId = fields[1];
    printer.sysName = fields[2];
    printer.sysDescr = fields[3];
    printer.model = fields[4] == "-" ? "" : fields[4];
    if (columns < 6) continue;
    std::stringstream communities(fields[5]);
    for (std::string community; std::getline(communities, community, ',');) printer.communities.push_back(community);
  }
  return printers;
}

uint32_t Code(const std::string& text, std::initializer_list<const char*> names) {
  uint32_t code = 0;
  for (const char* name : names) {
    if (text == name) return code;
    ++code;
  }
  ADD_FAILURE() << "v3users.tsv: unknown " << text;
  return 0;
}

template <size_t N>
void Copy(char (&field)[N], const std::string& text) {
  CopyText(field, text == "-" ? "" : text);
}

}  // namespace

std::vector<LabPrinter> LabPrinters() { return Printers(PRALO_LAB_PRINTERS, 6); }

std::vector<LabPrinter> LabV3Printers() { return Printers(PRALO_LAB_V3_PRINTERS, 5); }

PrlUsmUser LabUsmUser(const std::string& name) {
  PrlUsmUser user{};
  for (const std::vector<std::string>& fields : Rows(PRALO_LAB_V3_USERS)) {
    if (fields.size() != 6 || fields[0] != name) continue;
    Copy(user.name, fields[0]);
    user.level = Code(fields[1], {"noAuthNoPriv", "authNoPriv", "authPriv"});
    user.auth = Code(fields[2], {"-", "SHA", "SHA-256"});
    Copy(user.authPassphrase, fields[3]);
    user.priv = Code(fields[4], {"-", "AES"});
    Copy(user.privPassphrase, fields[5]);
    return user;
  }
  ADD_FAILURE() << "v3users.tsv has no user " << name;
  return user;
}

std::vector<std::string> LabUsmUserNames() {
  std::vector<std::string> names;
  for (const std::vector<std::string>& fields : Rows(PRALO_LAB_V3_USERS)) names.push_back(fields[0]);
  return names;
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

std::set<std::string> FilesIn(const std::string& folder, const char* pattern) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "/" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}
