#include "child_process.h"

#include <gtest/gtest.h>

#include <vector>

#include "Unique.h"

std::string ExeBesideThisTest(const std::string& name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + name;
}

std::string DistFile(const std::string& relativePath) { return ExeBesideThisTest("..\\dist\\" + relativePath); }

ChildResult RunChild(const std::string& commandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueHandle readEnd, writeEnd;
  if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed: " << GetLastError();
    return {};
  }
  SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << commandLine << ": error " << GetLastError();
    return {};
  }
  UniqueHandle process(info.hProcess), thread(info.hThread);
  writeEnd.reset();  // the child holds the only write end now, so reading ends when it exits

  ChildResult result;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(readEnd.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) result.output.append(chunk, got);
  WaitForSingleObject(process.get(), INFINITE);
  GetExitCodeProcess(process.get(), &result.exitCode);
  return result;
}
