#pragma once
// Starts a program of the build and watches its windows from outside, as a user sees
// them: captions, message boxes, list rows. Used by end-to-end tests of PraloPM.exe.
#include <windows.h>

#include <string>
#include <vector>

#include "Unique.h"
#include "window_reading.h"

class ProgramUnderTest {
 public:
  // exeName: a program of the build's dist folder, or a full path ("C:\\...").
  explicit ProgramUnderTest(const std::string& exeName);
  ~ProgramUnderTest();  // ends the program if it still runs
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  // The program's enabled, visible top-level window once one is up; nullptr (and a
  // test failure naming what was up) when none comes within the time.
  HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 10000);
  // Every row of a list view of the program, column by column.
  std::vector<std::vector<std::string>> ListRows(HWND list, int columns);
  // Selects one row of a list view of the program, as a click on it would.
  void SelectListRow(HWND list, int row);
  static void Click(HWND dialog, int buttonId);
  // Replaces an edit's text, with the change notification that typing gives.
  static void SetText(HWND edit, const std::string& text);


  // From the Port Manager's main window to the add-port wizard's name and address page:
  // the wizard's window, or nullptr (and a test failure) when a step's window did not come.
  HWND OpenNameAndAddressPage(HWND main);

  // Waits for the program to end; its exit code, or STILL_ACTIVE.
  DWORD WaitForExit(DWORD timeoutMs = 10000);

 private:
  HWND TopWindow() const;
  UniqueHandle process_;
  DWORD processId_ = 0;
};
