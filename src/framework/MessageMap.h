#pragma once
// Message maps: one table of entries per class, chained to the base class's table.
// An entry routes a window message, a command notification (control id and code) or a
// WM_NOTIFY (control id and code) to a member function of the class.
#include <windows.h>

#include <commctrl.h>

#include <variant>
#include <vector>

class CCmdTarget;

using AFX_PMSG = void (CCmdTarget::*)();
using AFX_PMSG_SYSCOMMAND = void (CCmdTarget::*)(UINT, LPARAM);
using AFX_PMSG_NOTIFY = void (CCmdTarget::*)(NMHDR*, LRESULT*);
using AFX_PMSG_CURSOR = HCURSOR (CCmdTarget::*)();
using AFX_PMSG_MENU = void (CCmdTarget::*)(HMENU);
using AFX_PMSG_MESSAGE = LRESULT (CCmdTarget::*)(WPARAM, LPARAM);

enum class AfxRoute { Message, Command, Notify };

struct AFX_MSGMAP_ENTRY {
  AfxRoute route;
  UINT message;  // the window message, or the notification code of a command or WM_NOTIFY
  UINT id;       // control or command id; unused for window messages
  std::variant<AFX_PMSG, AFX_PMSG_SYSCOMMAND, AFX_PMSG_NOTIFY, AFX_PMSG_CURSOR, AFX_PMSG_MENU, AFX_PMSG_MESSAGE>
      handler;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* base;
  std::vector<AFX_MSGMAP_ENTRY> entries;

  // The first entry along the chain (this class first) that routes the given message.
  const AFX_MSGMAP_ENTRY* Find(AfxRoute route, UINT message, UINT id) const;
};

// Entry builders, named after the MFC macros they stand for.
template <class T>
AFX_MSGMAP_ENTRY ON_COMMAND(UINT id, void (T::*fn)()) {
  return {AfxRoute::Command, 0, id, static_cast<AFX_PMSG>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_BN_CLICKED(UINT id, void (T::*fn)()) {
  return {AfxRoute::Command, BN_CLICKED, id, static_cast<AFX_PMSG>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_EN_CHANGE(UINT id, void (T::*fn)()) {
  return {AfxRoute::Command, EN_CHANGE, id, static_cast<AFX_PMSG>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_NOTIFY(UINT code, UINT id, void (T::*fn)(NMHDR*, LRESULT*)) {
  return {AfxRoute::Notify, code, id, static_cast<AFX_PMSG_NOTIFY>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_SYSCOMMAND(void (T::*fn)(UINT, LPARAM)) {
  return {AfxRoute::Message, WM_SYSCOMMAND, 0, static_cast<AFX_PMSG_SYSCOMMAND>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_PAINT(void (T::*fn)()) {
  return {AfxRoute::Message, WM_PAINT, 0, static_cast<AFX_PMSG>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_QUERYDRAGICON(HCURSOR (T::*fn)()) {
  return {AfxRoute::Message, WM_QUERYDRAGICON, 0, static_cast<AFX_PMSG_CURSOR>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_WM_INITMENU(void (T::*fn)(HMENU)) {
  return {AfxRoute::Message, WM_INITMENU, 0, static_cast<AFX_PMSG_MENU>(fn)};
}
template <class T>
AFX_MSGMAP_ENTRY ON_MESSAGE(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
  return {AfxRoute::Message, message, 0, static_cast<AFX_PMSG_MESSAGE>(fn)};
}
