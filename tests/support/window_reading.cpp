#include "window_reading.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

constexpr int kMessageBoxText = 0xFFFF;
constexpr SIZE_T kTextSize = 1024;

// An item and its text buffer in the list's process, for as long as it lives.
class RemoteItem {
 public:
  explicit RemoteItem(HANDLE process)
      : process_(process),
        memory_(VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kTextSize, MEM_COMMIT, PAGE_READWRITE)) {
    if (memory_ == nullptr) ADD_FAILURE() << "cannot reach the list's memory: error " << GetLastError();
  }
  RemoteItem(const RemoteItem&) = delete;
  RemoteItem& operator=(const RemoteItem&) = delete;
  ~RemoteItem() {
    if (memory_ != nullptr) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
  }
  bool Valid() const { return memory_ != nullptr; }
  char* Text() const { return static_cast<char*>(memory_) + sizeof(LVITEMA); }
  LPARAM Put(const LVITEMA& item) const {
    WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
    return reinterpret_cast<LPARAM>(memory_);
  }
  std::string TextRead() const {
    char text[kTextSize] = {};
    ReadProcessMemory(process_, Text(), text, sizeof text - 1, nullptr);
    return text;
  }

 private:
  HANDLE process_;
  void* memory_;
};

BOOL CALLBACK Visit(HWND window, LPARAM visit) {
  return (*reinterpret_cast<const std::function<bool(HWND)>*>(visit))(window) ? TRUE : FALSE;
}

}  // namespace

void ForEachTopWindow(const std::function<bool(HWND)>& visit) {
  EnumWindows(&Visit, reinterpret_cast<LPARAM>(&visit));
}

void ForEachThreadWindow(DWORD threadId, const std::function<bool(HWND)>& visit) {
  EnumThreadWindows(threadId, &Visit, reinterpret_cast<LPARAM>(&visit));
}

std::string WindowText(HWND window) {
  char text[kTextSize] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, kMessageBoxText)); }

std::string ControlText(HWND control) {
  char text[4096] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  return text;
}

HWND SheetPageControl(HWND sheet, int id) {
  return GetDlgItem(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), id);
}

std::vector<std::vector<std::string>> ListViewRows(HWND list, HANDLE process, int columns) {
  std::vector<std::vector<std::string>> rows;
  RemoteItem remote(process);
  if (!remote.Valid()) return rows;
  for (LRESULT row = 0, count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); row < count; ++row) {
    std::vector<std::string>& cells = rows.emplace_back();
    for (int column = 0; column < columns; ++column) {
      LVITEMA item{};
      item.iSubItem = column;
      item.pszText = remote.Text();
      item.cchTextMax = kTextSize;
      SendMessageA(list, LVM_GETITEMTEXTA, row, remote.Put(item));
      cells.push_back(remote.TextRead());
    }
  }
  return rows;
}

void SelectListViewRow(HWND list, HANDLE process, int row) {
  RemoteItem remote(process);
  if (!remote.Valid()) return;
  LVITEMA item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, row, remote.Put(item));
}

int RowShowing(const std::vector<std::vector<std::string>>& rows, const std::string& text) {
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].size() > 1 && rows[i][1] == text) return static_cast<int>(i);
  return -1;
}
