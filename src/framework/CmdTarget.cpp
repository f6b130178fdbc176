#include "CmdTarget.h"

const AFX_MSGMAP CCmdTarget::messageMap{nullptr, {}};

const AFX_MSGMAP_ENTRY* AFX_MSGMAP::Find(AfxRoute route, UINT message, UINT id) const {
  for (const AFX_MSGMAP* map = this; map != nullptr; map = map->base) {
    for (const AFX_MSGMAP_ENTRY& entry : map->entries) {
      if (entry.route == route && entry.message == message && (route == AfxRoute::Message || entry.id == id))
        return &entry;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, UINT code) {
  const AFX_MSGMAP_ENTRY* entry = GetMessageMap()->Find(AfxRoute::Command, code, id);
  return entry != nullptr && Invoke(*entry, 0, 0, nullptr);
}

// Calls an entry's handler with the arguments its kind takes out of the message.
BOOL CCmdTarget::Invoke(const AFX_MSGMAP_ENTRY& entry, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  struct Call {
    CCmdTarget* self;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT* result;
    void operator()(AFX_PMSG fn) const { (self->*fn)(); }
    void operator()(AFX_PMSG_SYSCOMMAND fn) const { (self->*fn)(static_cast<UINT>(wParam), lParam); }
    void operator()(AFX_PMSG_NOTIFY fn) const { (self->*fn)(reinterpret_cast<NMHDR*>(lParam), result); }
    void operator()(AFX_PMSG_CURSOR fn) const { *result = reinterpret_cast<LRESULT>((self->*fn)()); }
    void operator()(AFX_PMSG_MENU fn) const { (self->*fn)(reinterpret_cast<HMENU>(wParam)); }
    void operator()(AFX_PMSG_MESSAGE fn) const { *result = (self->*fn)(wParam, lParam); }
  };
  LRESULT ignored = 0;
  std::visit(Call{this, wParam, lParam, result != nullptr ? result : &ignored}, entry.handler);
  return TRUE;
}
