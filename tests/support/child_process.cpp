#include "child_process.h"

#include <gtest/gtest.h>

#include <cstring>
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

std::string SystemFile(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, sizeof folder);
  return std::string(folder) + "\\" + name;
}

std::string TempFile(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  return folder + name;
}

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

ChildResult RunSetup(const char* command, const std::string& setup) {
  return RunChild("\"" + setup + "\" " + command);
}

void SetReportedVersion(const std::string& exeName, const char* version) {
  std::string path = "Software\\Wine\\AppDefaults\\" + exeName;
  UniqueKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                           static_cast<DWORD>(std::strlen(version) + 1)),
            ERROR_SUCCESS);
}

bool RerunThisTestWith(const std::string& what, const std::function<void()>& before,
                       const std::function<void()>& after) {
  constexpr char kChildMark[] = "PRALO_RERUN_CHILD";
  if (GetEnvironmentVariableA(kChildMark, nullptr, 0) != 0) return false;
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  before();
  SetEnvironmentVariableA(kChildMark, "1");
  ChildResult child = RunChild("\"" + std::string(path) + "\" --gtest_filter=" + test->test_suite_name() + "." +
                               test->name());
  SetEnvironmentVariableA(kChildMark, nullptr);
  after();
  EXPECT_EQ(child.exitCode, 0u) << what << ":\n" << child.output;
  EXPECT_NE(child.output.find("[  PASSED  ] 1 test"), std::string::npos) << what << ":\n" << child.output;
  return true;
}

bool RerunThisTestUnder(const char* version) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string exe(path);
  exe.erase(0, exe.find_last_of("\\/") + 1);
  return RerunThisTestWith(
      std::string("under ") + version, [&] { SetReportedVersion(exe, version); },
      [&] { SetReportedVersion(exe, "win7"); });
}
