#pragma once
// CMenu: a menu handle; destroys the menus it created itself, never attached ones.
#include <windows.h>

class CWnd;

class CMenu {
 public:
  CMenu() = default;
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  ~CMenu();

  HMENU m_hMenu = nullptr;

  void Attach(HMENU menu);
  BOOL CreatePopupMenu();
  BOOL DestroyMenu();
  BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr);
  // Shows the menu at a screen point; the chosen command reaches the owner as WM_COMMAND.
  BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

 private:
  bool m_bOwned = false;
};
