#pragma once
// Reading what windows show, and selecting a list row, for a window of this process or
// of another one: the robot reads its own, the observer of a started program another's.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Calls visit for each top-level window (of one thread), until it answers false.
void ForEachTopWindow(const std::function<bool(HWND)>& visit);
void ForEachThreadWindow(DWORD threadId, const std::function<bool(HWND)>& visit);

std::string WindowText(HWND window);
// The text of a message box.
std::string MessageBoxText(HWND box);
// The text as the control itself answers it (an edit's contents), also across processes.
std::string ControlText(HWND control);
// A control of the page that a property sheet shows.
HWND SheetPageControl(HWND sheet, int id);

// The rows of a list view, column by column. The list reads and writes items through
// pointers of its own process, so the item and its text are placed there (`process`
// is the list's process, GetCurrentProcess() for a list of this one).
std::vector<std::vector<std::string>> ListViewRows(HWND list, HANDLE process, int columns);
// The first row whose second column (a port's name, a printer's address) reads `text`;
// -1 when none does.
int RowShowing(const std::vector<std::vector<std::string>>& rows, const std::string& text);
// Selects and focuses one row, as a click on it would.
void SelectListViewRow(HWND list, HANDLE process, int row);
