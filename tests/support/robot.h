#pragma once
// The UI robot: drives the real windows that the code under test shows, from inside the
// test's own process and thread, as a user would.
//
//   Drive([&] { result = dialog.DoModal(); },
//         [](Robot& robot) {
//           Window box = robot.Expect("Data exchange");
//           box.Type(IDC_NAME, "LPT9");
//           box.Click(IDOK);
//           robot.ExpectMessageBox().Answer(IDOK);
//         });
//
// The script runs in a fiber that a thread timer resumes from whatever modal loop is
// running (dialog, sheet, message box, menu). Waits hand control back to that loop;
// actions are posted as the input a user's mouse or keyboard would produce. A window
// that does not come, or one that comes unasked (a message box above all), fails the
// test with what was expected and what is up instead.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class Robot;

enum class MessageIcon { None, Stop, Exclamation, Information, Question };

struct WizardButtons {
  bool back = false;
  bool next = false;
  bool finish = false;
  bool operator==(const WizardButtons&) const = default;
};

// One top-level window as the user sees it, and what the user can do to it.
class Window {
 public:
  Window(Robot& robot, HWND hwnd) : robot_(&robot), hwnd_(hwnd) {}
  HWND Handle() const { return hwnd_; }

  // What it shows.
  std::string Caption() const;
  std::string ClassName() const;
  HWND Owner() const;
  std::string Text(int id) const;
  bool Enabled(int id) const;
  bool Checked(int id) const;
  bool Visible(int id) const;
  HICON StaticIcon(int id) const;  // the icon a static control shows
  std::pair<int, int> EditSelection(int id) const;  // first and end character selected

  std::vector<std::string> ListHeaders(int id) const;
  std::vector<int> ListColumnWidths(int id) const;
  std::vector<std::vector<std::string>> ListRows(int id) const;
  std::vector<int> ListImages(int id) const;
  int ListSelection(int id) const;  // the first selected row, or -1

  std::vector<std::string> ComboItems(int id) const;
  int ComboSelection(int id) const;

  std::string MessageText() const;
  MessageIcon Icon() const;
  std::vector<int> Buttons() const;  // ids of the visible push buttons, in tab order

  int SheetPage() const;  // index of the page on display
  WizardButtons Wizard() const;

  // Item labels as shown, without mnemonic markers or accelerators; a separator is "-".
  std::vector<std::string> MenuItems() const;

  // What the user does.
  void Click(int id);
  void Type(int id, const std::string& text);
  void Check(int id) { Click(id); }
  void PressKey(int id, UINT virtualKey);
  // withControl: a Ctrl+click, which adds the row to a multiple selection.
  void ClickListRow(int id, int row, bool withControl = false);
  void DoubleClickListRow(int id, int row);
  void ClickListEmptyArea(int id, bool doubleClick = false);
  void ChooseComboItem(int id, int index);
  void PressEnter();
  void PressEscape();
  void Next();
  void Back();
  void Finish();
  void Cancel();
  void Answer(int buttonId) { Click(buttonId); }
  void ChooseMenuItem(const std::string& text);
  void DismissMenu();
  void OpenSystemMenu();

  // Writes what the user sees of the window to a PNG file.
  void Screenshot(const std::string& path) const;

 private:
  HWND Control(int id, const char* purpose) const;
  // The middle of a list row, in the list's client coordinates.
  POINT RowPoint(HWND list, int id, int row, const char* purpose) const;
  void PostKey(HWND target, UINT virtualKey) const;
  void PostMouse(HWND target, POINT point, bool doubleClick, bool withControl = false) const;

  Robot* robot_;
  HWND hwnd_;
};

class Robot {
 public:
  static constexpr DWORD kPatienceMs = 5000;

  // Waits until the window on top has this caption. A message box on top instead fails
  // at once, with its text.
  Window Expect(const std::string& caption, DWORD timeoutMs = kPatienceMs);
  // Waits until a message box is on top.
  Window ExpectMessageBox(DWORD timeoutMs = kPatienceMs);
  // Waits until a popup menu is open.
  Window ExpectMenu(DWORD timeoutMs = kPatienceMs);
  // Waits until the window on top is not this one any more.
  void ExpectClosed(const Window& window, DWORD timeoutMs = kPatienceMs);
  // Lets the application run for a while (a Sleep in a script would stop it).
  void Pause(DWORD milliseconds);
  // Waits until a condition holds, resuming the application between checks.
  void WaitUntil(const std::function<bool()>& condition, const std::string& what, DWORD timeoutMs = kPatienceMs);

  // Ends the script with a failure that names the expectation and what is up instead.
  [[noreturn]] void Fail(const std::string& expectation) const;

  // The window on top: an open menu, else the frontmost visible, enabled window of the
  // thread; nullptr when none is up.
  static HWND TopWindow();
  static std::string Describe(HWND window);

 private:
  // Waits until the window on top is of the given kind.
  Window ExpectTop(bool (*kind)(HWND), const std::string& what, DWORD timeoutMs);
  friend void Drive(const std::function<void()>& body, const std::function<void(Robot&)>& script);
  void ResumeApplication();
  struct Session* session_ = nullptr;
};

// Runs body, which shows windows modally, while script drives them. Returns when both
// have ended. A script that fails closes what is left open, so body always returns.
void Drive(const std::function<void()>& body, const std::function<void(Robot&)>& script);

// Runs a dialog modally while the script drives its window, found by caption; the
// script must end it. Answers what DoModal answered.
template <class Dialog>
INT_PTR RunDialog(Dialog& dialog, const std::string& caption, const std::function<void(Robot&, Window&)>& script) {
  INT_PTR result = 0;
  Drive([&] { result = dialog.DoModal(); },
        [&](Robot& robot) {
          Window window = robot.Expect(caption);
          script(robot, window);
          robot.ExpectClosed(window);
        });
  return result;
}
