#pragma once
// CWnd: a C++ object around an HWND. Windows that the framework creates for the program
// (dialogs, property sheets and pages) are subclassed, so that their messages pass
// through WindowProc and the message map; control wrappers are merely attached.
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "CmdTarget.h"
#include "Menu.h"

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  void Attach(HWND hWnd) { m_hWnd = hWnd; }
  // The object that routes the window's messages, or nullptr.
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Controls of a dialog.
  CWnd* GetDlgItem(int id) const;
  void SetDlgItemText(int id, const char* text);
  int GetDlgItemText(int id, char* buffer, int capacity) const;
  std::string GetDlgItemText(int id) const;
  void SetDlgItemInt(int id, UINT value, BOOL bSigned = TRUE);
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  void SetRedraw(BOOL bRedraw = TRUE);
  void Invalidate(BOOL bErase = TRUE);
  void SetWindowText(const char* text);
  std::string GetWindowText() const;

  // Messages.
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // Default processing of the message being handled, as if no handler had taken it.
  LRESULT Default();

  // A message box owned by this window; no caption means the application's name.
  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

  CMenu* GetSystemMenu(BOOL bRevert);
  void GetWindowRect(RECT* rect) const;
  void GetClientRect(RECT* rect) const;
  BOOL IsIconic() const;
  HICON SetIcon(HICON icon, BOOL bBigIcon);

  // Every WM_COMMAND passes here; the base routes it through the message map.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Every WM_NOTIFY passes here; the base routes it through the message map.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Routes the window's messages through this object from now on.
  void SubclassWindow(HWND hWnd);

 private:
  static LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
  void UnsubclassWindow();

  struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };
  WNDPROC m_pfnSuper = nullptr;
  CurrentMessage m_current;
  CMenu m_systemMenu;
  mutable std::map<HWND, std::unique_ptr<CWnd>> m_items;
};

// Shows what escaped a handler instead of letting it cross a Win32 callback.
void AfxReportHandlerFailure(const char* what);
