#include "program_under_test.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "resource.h"
#include "window_reading.h"

ProgramUnderTest::ProgramUnderTest(const std::string& exeName) {
  const bool fullPath = exeName.find(':') != std::string::npos;
  std::string command = "\"" + (fullPath ? exeName : DistFile(exeName)) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
    return;
  }
  process_.reset(info.hProcess);
  CloseHandle(info.hThread);
  processId_ = info.dwProcessId;
}

ProgramUnderTest::~ProgramUnderTest() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

HWND ProgramUnderTest::TopWindow() const {
  HWND found = nullptr;
  ForEachTopWindow([&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != processId_ || !IsWindowVisible(window) || !IsWindowEnabled(window)) return true;
    found = window;
    return false;
  });
  return found;
}

HWND ProgramUnderTest::WaitForWindow(const std::string& caption, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  HWND top = nullptr;
  do {
    top = TopWindow();
    if (top != nullptr && WindowText(top) == caption) return top;
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  ADD_FAILURE() << "the window '" << caption << "' did not come; up instead: "
                << (top != nullptr ? "'" + WindowText(top) + "' " + MessageBoxText(top) : std::string("nothing"));
  return nullptr;
}








std::vector<std::vector<std::string>> ProgramUnderTest::ListRows(HWND list, int columns) {
  return ListViewRows(list, process_.get(), columns);
}

void ProgramUnderTest::SelectListRow(HWND list, int row) { SelectListViewRow(list, process_.get(), row); }

void ProgramUnderTest::SetText(HWND edit, const std::string& text) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ProgramUnderTest::Click(HWND dialog, int buttonId) { PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0); }

HWND ProgramUnderTest::OpenNameAndAddressPage(HWND main) {
  constexpr int kWizardNext = 0x3024;
  Click(main, IDC_ADD_PORT);
  HWND wizard = WaitForWindow("Pralo TCP/IP Port");
  if (wizard == nullptr) return nullptr;
  Click(wizard, kWizardNext);
  return WaitForWindow("Add Pralo TCP/IP Port") != nullptr ? wizard : nullptr;
}

DWORD ProgramUnderTest::WaitForExit(DWORD timeoutMs) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_.get(), &code);
  return code;
}
