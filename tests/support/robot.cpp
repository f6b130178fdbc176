#include "robot.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <exception>

#include "Unique.h"
#include "png.h"
#include "window_reading.h"

// Ids that comctl32 gives the wizard's buttons and that message boxes give their parts.
constexpr int kWizardBack = 0x3023;
constexpr int kWizardNext = 0x3024;
constexpr int kWizardFinish = 0x3025;
constexpr int kMessageBoxText = 0xFFFF;
constexpr int kMessageBoxIcon = 1088;
constexpr DWORD kTickMs = 10;
constexpr DWORD kLeftoverGraceMs = 1000;
constexpr DWORD kPaintMs = 200;

struct Session {
  Robot robot;
  std::function<void(Robot&)> script;
  LPVOID mainFiber = nullptr;
  LPVOID scriptFiber = nullptr;
  bool inScript = false;
  bool done = false;
  bool failed = false;
  DWORD leftoverSince = 0;
};

namespace {

thread_local Session* activeSession = nullptr;

// Thrown by Robot::Fail to end the script; caught where the script fiber starts.
struct ScriptAborted {};

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

bool IsMenuWindow(HWND window) { return ClassOf(window) == "#32768"; }

bool IsMessageBox(HWND window) {
  return ClassOf(window) == "#32770" && GetDlgItem(window, kMessageBoxIcon) != nullptr &&
         GetDlgItem(window, kMessageBoxText) != nullptr;
}

HWND CurrentSheetPage(HWND window) {
  return reinterpret_cast<HWND>(SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0));
}

// A menu item's label as the user reads it: mnemonic markers removed ("&&" is one
// ampersand), the accelerator text after a tab left out.
std::string AsShown(const char* label) {
  std::string shown;
  for (const char* c = label; *c != '\0' && *c != '\t'; ++c) {
    if (*c == '&' && *++c == '\0') break;
    shown += *c;
  }
  return shown;
}

std::vector<std::string> MenuItemsOf(HWND menuWindow) {
  auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
  std::vector<std::string> items;
  for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
    if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) {
      items.emplace_back("-");
      continue;
    }
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    items.push_back(AsShown(text));
  }
  return items;
}

// Closes a window the way a user gets rid of it: Escape on a menu, Cancel (or OK where
// there is no Cancel) on a dialog, sheet or message box.
void CloseAsUser(HWND window) {
  if (IsMenuWindow(window)) {
    EndMenu();
    return;
  }
  int id = GetDlgItem(window, IDCANCEL) != nullptr ? IDCANCEL : IDOK;
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

void CloseLeftovers(Session& session) {
  HWND top = Robot::TopWindow();
  DWORD now = GetTickCount();
  if (top == nullptr) {
    session.leftoverSince = 0;
    return;
  }
  if (session.leftoverSince == 0) {
    session.leftoverSince = now;
    if (session.failed) CloseAsUser(top);
    return;
  }
  if (now - session.leftoverSince < (session.failed ? 200 : kLeftoverGraceMs)) return;
  if (!session.failed) {
    ADD_FAILURE() << "still open after the robot's script ended: " << Robot::Describe(top);
    session.failed = true;
  }
  CloseAsUser(top);
  session.leftoverSince = now;
}

void CALLBACK ScriptEntry(LPVOID parameter) {
  auto* session = static_cast<Session*>(parameter);
  try {
    session->script(session->robot);
  } catch (const ScriptAborted&) {
    session->failed = true;
  } catch (const std::exception& failure) {
    ADD_FAILURE() << "the robot's script threw: " << failure.what();
    session->failed = true;
  }
  session->done = true;
  session->inScript = false;
  SwitchToFiber(session->mainFiber);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Session* session = activeSession;
  if (session == nullptr || session->inScript) return;
  if (session->done) {
    CloseLeftovers(*session);
    return;
  }
  session->inScript = true;
  SwitchToFiber(session->scriptFiber);
}

}  // namespace

// ---- Robot ----------------------------------------------------------------------------

void Drive(const std::function<void()>& body, const std::function<void(Robot&)>& script) {
  Session session;
  session.robot.session_ = &session;
  session.script = script;
  session.mainFiber = ConvertThreadToFiber(nullptr);
  if (session.mainFiber == nullptr) {
    ADD_FAILURE() << "the robot cannot run here (a Drive inside a Drive?): error " << GetLastError();
    return;
  }
  session.scriptFiber = CreateFiber(1 << 20, &ScriptEntry, &session);
  Session* outer = std::exchange(activeSession, &session);
  UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, &Tick);

  body();
  MSG message;
  while (!session.done && GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  KillTimer(nullptr, timer);
  activeSession = outer;
  DeleteFiber(session.scriptFiber);
  ConvertFiberToThread();
}

void Robot::ResumeApplication() {
  session_->inScript = false;
  SwitchToFiber(session_->mainFiber);
}

void Robot::Fail(const std::string& expectation) const {
  ADD_FAILURE() << expectation << "\n  on top: " << Describe(TopWindow());
  throw ScriptAborted{};
}

void Robot::WaitUntil(const std::function<bool()>& condition, const std::string& what, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    ResumeApplication();  // first let what was done take effect
    if (condition()) return;
    if (GetTickCount() - start > timeoutMs) Fail("waited " + std::to_string(timeoutMs) + " ms for " + what);
  }
}

void Robot::Pause(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  WaitUntil([&] { return GetTickCount() - start >= milliseconds; }, "the end of a pause", milliseconds + 1000);
}

Window Robot::Expect(const std::string& caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        HWND top = TopWindow();
        if (top == nullptr) return false;
        if (WindowText(top) == caption && !IsMenuWindow(top)) found = top;
        else if (IsMessageBox(top)) Fail("expected the window '" + caption + "', but a message box came");
        return found != nullptr;
      },
      "the window '" + caption + "'", timeoutMs);
  return Window(*this, found);
}

Window Robot::ExpectTop(bool (*kind)(HWND), const std::string& what, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        HWND top = TopWindow();
        if (top != nullptr && kind(top)) found = top;
        return found != nullptr;
      },
      what, timeoutMs);
  return Window(*this, found);
}

Window Robot::ExpectMessageBox(DWORD timeoutMs) { return ExpectTop(IsMessageBox, "a message box", timeoutMs); }

Window Robot::ExpectMenu(DWORD timeoutMs) { return ExpectTop(IsMenuWindow, "a popup menu", timeoutMs); }

void Robot::ExpectClosed(const Window& window, DWORD timeoutMs) {
  HWND handle = window.Handle();
  WaitUntil([&] { return !IsWindow(handle) || !IsWindowVisible(handle); },
            "the window '" + WindowText(handle) + "' to close", timeoutMs);
}

HWND Robot::TopWindow() {
  HWND menu = nullptr, top = nullptr;
  ForEachThreadWindow(GetCurrentThreadId(), [&](HWND window) {
    if (!IsWindowVisible(window)) return true;
    std::string cls = ClassOf(window);
    if (cls == "#32768") {
      menu = window;
      return false;
    }
    if (top == nullptr && IsWindowEnabled(window) && cls.rfind("tooltips", 0) != 0) top = window;
    return true;
  });
  return menu != nullptr ? menu : top;
}

std::string Robot::Describe(HWND window) {
  if (window == nullptr) return "no window";
  if (IsMenuWindow(window)) {
    std::string items;
    for (const std::string& item : MenuItemsOf(window)) items += (items.empty() ? "" : " | ") + item;
    return "a popup menu [" + items + "]";
  }
  if (IsMessageBox(window))
    return "a message box '" + WindowText(window) + "': \"" + MessageBoxText(window) + "\"";
  return "the window '" + WindowText(window) + "' (class " + ClassOf(window) + ")";
}

// ---- Window: what it shows -------------------------------------------------------------

HWND Window::Control(int id, const char* purpose) const {
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) {
    HWND page = CurrentSheetPage(hwnd_);
    if (page != nullptr) control = GetDlgItem(page, id);
  }
  if (control == nullptr) robot_->Fail(std::string("cannot ") + purpose + " control " + std::to_string(id) + " of " +
                                       Robot::Describe(hwnd_) + ": there is no such control");
  return control;
}

std::string Window::Caption() const { return WindowText(hwnd_); }
std::string Window::ClassName() const { return ClassOf(hwnd_); }
HWND Window::Owner() const { return GetWindow(hwnd_, GW_OWNER); }
std::string Window::Text(int id) const { return WindowText(Control(id, "read")); }
bool Window::Enabled(int id) const { return IsWindowEnabled(Control(id, "read")) != FALSE; }
bool Window::Visible(int id) const { return IsWindowVisible(Control(id, "read")) != FALSE; }
bool Window::Checked(int id) const { return SendMessageA(Control(id, "read"), BM_GETCHECK, 0, 0) == BST_CHECKED; }
std::pair<int, int> Window::EditSelection(int id) const {
  DWORD first = 0, end = 0;
  SendMessageA(Control(id, "read"), EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(first), static_cast<int>(end)};
}
HICON Window::StaticIcon(int id) const {
  return reinterpret_cast<HICON>(SendMessageA(Control(id, "read"), STM_GETICON, 0, 0));
}

std::vector<std::string> Window::ListHeaders(int id) const {
  HWND list = Control(id, "read");
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  std::vector<std::string> headers;
  for (int column = 0, count = Header_GetItemCount(header); column < count; ++column) {
    char text[256] = {};
    LVCOLUMNA info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
    headers.emplace_back(text);
  }
  return headers;
}

std::vector<int> Window::ListColumnWidths(int id) const {
  HWND list = Control(id, "read");
  std::vector<int> widths;
  for (size_t column = 0; column < ListHeaders(id).size(); ++column)
    widths.push_back(static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)));
  return widths;
}

std::vector<std::vector<std::string>> Window::ListRows(int id) const {
  return ListViewRows(Control(id, "read"), GetCurrentProcess(), static_cast<int>(ListHeaders(id).size()));
}

std::vector<int> Window::ListImages(int id) const {
  HWND list = Control(id, "read");
  std::vector<int> images;
  for (int row = 0, count = ListView_GetItemCount(list); row < count; ++row) {
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    images.push_back(item.iImage);
  }
  return images;
}

int Window::ListSelection(int id) const {
  return static_cast<int>(SendMessageA(Control(id, "read"), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<std::string> Window::ComboItems(int id) const {
  HWND combo = Control(id, "read");
  std::vector<std::string> items;
  for (LRESULT i = 0, count = SendMessageA(combo, CB_GETCOUNT, 0, 0); i < count; ++i) {
    std::string text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    items.push_back(text);
  }
  return items;
}

int Window::ComboSelection(int id) const {
  return static_cast<int>(SendMessageA(Control(id, "read"), CB_GETCURSEL, 0, 0));
}

std::string Window::MessageText() const { return MessageBoxText(hwnd_); }

MessageIcon Window::Icon() const {
  HWND iconControl = GetDlgItem(hwnd_, kMessageBoxIcon);
  if (iconControl == nullptr || !IsWindowVisible(iconControl)) return MessageIcon::None;
  auto icon = reinterpret_cast<HICON>(SendMessageA(iconControl, STM_GETICON, 0, 0));
  if (icon == nullptr) return MessageIcon::None;
  if (icon == LoadIcon(nullptr, IDI_HAND)) return MessageIcon::Stop;
  if (icon == LoadIcon(nullptr, IDI_EXCLAMATION)) return MessageIcon::Exclamation;
  if (icon == LoadIcon(nullptr, IDI_ASTERISK)) return MessageIcon::Information;
  if (icon == LoadIcon(nullptr, IDI_QUESTION)) return MessageIcon::Question;
  return MessageIcon::None;
}

std::vector<int> Window::Buttons() const {
  std::vector<int> ids;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "Button" && IsWindowVisible(child)) ids.push_back(GetDlgCtrlID(child));
  }
  return ids;
}

int Window::SheetPage() const {
  HWND page = CurrentSheetPage(hwnd_);
  return static_cast<int>(SendMessageA(hwnd_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

WizardButtons Window::Wizard() const {
  auto usable = [this](int id) {
    HWND button = GetDlgItem(hwnd_, id);
    return button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button);
  };
  return {usable(kWizardBack), usable(kWizardNext), usable(kWizardFinish)};
}

std::vector<std::string> Window::MenuItems() const { return MenuItemsOf(hwnd_); }

// ---- Window: what the user does ---------------------------------------------------------

void Window::PostKey(HWND target, UINT virtualKey) const {
  PostMessageA(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageA(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

void Window::PostMouse(HWND target, POINT point, bool doubleClick, bool withControl) const {
  LPARAM at = MAKELPARAM(point.x, point.y);
  WPARAM keys = withControl ? MK_CONTROL : 0;
  PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  PostMessageA(target, WM_LBUTTONUP, keys, at);
  if (!doubleClick) return;
  PostMessageA(target, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, at);
  PostMessageA(target, WM_LBUTTONUP, keys, at);
}

void Window::Click(int id) {
  HWND control = Control(id, "click");
  std::string name = "'" + WindowText(control) + "' (" + std::to_string(id) + ")";
  if (!IsWindowVisible(control)) robot_->Fail("cannot click " + name + ": it is hidden");
  if (!IsWindowEnabled(control)) robot_->Fail("cannot click " + name + ": it is disabled");
  PostMessageA(control, BM_CLICK, 0, 0);
}

void Window::Type(int id, const std::string& text) {
  HWND edit = Control(id, "type into");
  if (!IsWindowEnabled(edit)) robot_->Fail("cannot type into control " + std::to_string(id) + ": it is disabled");
  PostMessageA(edit, EM_SETSEL, 0, -1);
  if (text.empty()) PostMessageA(edit, WM_CLEAR, 0, 0);
  for (char c : text) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void Window::PressKey(int id, UINT virtualKey) {
  HWND control = Control(id, "press a key on");
  SetFocus(control);
  PostKey(control, virtualKey);
}

POINT Window::RowPoint(HWND list, int id, int row, const char* purpose) const {
  RECT rect{LVIR_LABEL, 0, 0, 0};
  if (!SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)))
    robot_->Fail(std::string("cannot ") + purpose + " row " + std::to_string(row) + " of list " + std::to_string(id) +
                 ": no such row");
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Window::ClickListRow(int id, int row, bool withControl) {
  HWND list = Control(id, "click");
  PostMouse(list, RowPoint(list, id, row, "click"), false, withControl);
}

void Window::DoubleClickListRow(int id, int row) {
  HWND list = Control(id, "double-click");
  PostMouse(list, RowPoint(list, id, row, "double-click"), true);
}

void Window::ClickListEmptyArea(int id, bool doubleClick) {
  HWND list = Control(id, "click");
  RECT client{};
  GetClientRect(list, &client);
  POINT point{5, client.bottom - 3};
  int count = ListView_GetItemCount(list);
  RECT last{LVIR_BOUNDS, 0, 0, 0};
  if (count > 0 && SendMessageA(list, LVM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last)) &&
      last.bottom >= point.y)
    robot_->Fail("list " + std::to_string(id) + " has no empty area to click");
  PostMouse(list, point, doubleClick);
}

void Window::ChooseComboItem(int id, int index) {
  HWND combo = Control(id, "choose in");
  if (!IsWindowEnabled(combo)) robot_->Fail("cannot choose in combo box " + std::to_string(id) + ": it is disabled");
  PostMessageA(combo, CB_SETCURSEL, index, 0);
  PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void Window::PressEnter() {
  HWND focus = GetFocus();
  PostKey(focus != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus)) ? focus : hwnd_, VK_RETURN);
}

void Window::PressEscape() {
  HWND focus = GetFocus();
  PostKey(focus != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus)) ? focus : hwnd_, VK_ESCAPE);
}

void Window::Next() { Click(kWizardNext); }
void Window::Back() { Click(kWizardBack); }
void Window::Finish() { Click(kWizardFinish); }
void Window::Cancel() { Click(IDCANCEL); }

// Moves the highlight with the keys, as a user would: Home, then down to the item, then
// Enter. Starting from Home holds whatever the menu highlights by then (a menu opened
// from the keyboard highlights its first item a moment after it shows).
void Window::ChooseMenuItem(const std::string& text) {
  std::vector<std::string> items = MenuItems();
  int target = -1, selectable = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == "-") continue;
    if (items[i] == text && target < 0) target = selectable;
    ++selectable;
  }
  if (target < 0) robot_->Fail("the menu has no item '" + text + "'");
  PostKey(hwnd_, VK_HOME);
  for (int step = 0; step < target; ++step) PostKey(hwnd_, VK_DOWN);
  PostKey(hwnd_, VK_RETURN);
}

void Window::DismissMenu() { PostKey(hwnd_, VK_ESCAPE); }

void Window::OpenSystemMenu() { PostMessageA(hwnd_, WM_SYSCOMMAND, SC_KEYMENU, ' '); }

void Window::Screenshot(const std::string& path) const {
  robot_->Pause(kPaintMs);  // what the window shows once it has painted
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  Unique<HDC, DeleteDC> memory(CreateCompatibleDC(screen));
  Unique<HGDIOBJ, DeleteObject> bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory.get(), previous);
  ReleaseDC(nullptr, screen);
  const auto* pixels = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> copy(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
  EXPECT_TRUE(WritePng(path, width, height, copy)) << "cannot write " << path;
}
