#include "Menu.h"

#include "Wnd.h"

CMenu::~CMenu() { DestroyMenu(); }

void CMenu::Attach(HMENU menu) {
  DestroyMenu();
  m_hMenu = menu;
}

BOOL CMenu::CreatePopupMenu() {
  DestroyMenu();
  m_hMenu = ::CreatePopupMenu();
  m_bOwned = m_hMenu != nullptr;
  return m_bOwned;
}

BOOL CMenu::DestroyMenu() {
  BOOL destroyed = m_bOwned && ::DestroyMenu(m_hMenu);
  m_hMenu = nullptr;
  m_bOwned = false;
  return destroyed;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, const char* text) { return ::AppendMenuA(m_hMenu, flags, id, text); }

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
  return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner->m_hWnd, nullptr);
}
