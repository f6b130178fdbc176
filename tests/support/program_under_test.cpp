#include "program_under_test.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "child_process.h"

ProgramUnderTest::ProgramUnderTest(const std::string& exeName) {
  std::string command = "\"" + DistFile(exeName) + "\"";
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
  struct Search {
    DWORD processId;
    HWND found = nullptr;
  } search{processId_};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->processId || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ProgramUnderTest::WaitForWindow(const std::string& caption, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  HWND top = nullptr;
  do {
    top = TopWindow();
    if (top != nullptr && Caption(top) == caption) return top;
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  ADD_FAILURE() << "the window '" << caption << "' did not come; up instead: "
                << (top != nullptr ? "'" + Caption(top) + "' " + MessageText(top) : std::string("nothing"));
  return nullptr;
}

std::string ProgramUnderTest::Caption(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ProgramUnderTest::ControlText(HWND control) {
  char text[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  return text;
}

std::string ProgramUnderTest::MessageText(HWND messageBox) { return Caption(GetDlgItem(messageBox, 0xFFFF)); }

std::vector<std::vector<std::string>> ProgramUnderTest::ListRows(HWND list, int columns) {
  // The list view reads and writes the item through pointers of its own process.
  constexpr SIZE_T kTextSize = 512;
  void* remote = VirtualAllocEx(process_.get(), nullptr, sizeof(LVITEMA) + kTextSize, MEM_COMMIT, PAGE_READWRITE);
  std::vector<std::vector<std::string>> rows;
  if (remote == nullptr) {
    ADD_FAILURE() << "cannot reach the program's memory: error " << GetLastError();
    return rows;
  }
  auto* remoteText = static_cast<char*>(remote) + sizeof(LVITEMA);
  for (LRESULT row = 0, count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); row < count; ++row) {
    std::vector<std::string>& cells = rows.emplace_back();
    for (int column = 0; column < columns; ++column) {
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = remoteText;
      item.cchTextMax = kTextSize;
      WriteProcessMemory(process_.get(), remote, &item, sizeof item, nullptr);
      SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
      char text[kTextSize] = {};
      ReadProcessMemory(process_.get(), remoteText, text, sizeof text - 1, nullptr);
      cells.emplace_back(text);
    }
  }
  VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
  return rows;
}

void ProgramUnderTest::SelectListRow(HWND list, int row) {
  void* remote = VirtualAllocEx(process_.get(), nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
  if (remote == nullptr) {
    ADD_FAILURE() << "cannot reach the program's memory: error " << GetLastError();
    return;
  }
  LVITEMA item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  WriteProcessMemory(process_.get(), remote, &item, sizeof item, nullptr);
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(process_.get(), remote, 0, MEM_RELEASE);
}

void ProgramUnderTest::SetText(HWND edit, const std::string& text) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

HWND ProgramUnderTest::PageControl(HWND sheet, int id) {
  return GetDlgItem(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), id);
}

void ProgramUnderTest::Click(HWND dialog, int buttonId) { PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0); }

DWORD ProgramUnderTest::WaitForExit(DWORD timeoutMs) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_.get(), &code);
  return code;
}
