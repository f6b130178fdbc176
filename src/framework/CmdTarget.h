#pragma once
// The base of everything that receives commands: windows and the application object.
#include "MessageMap.h"

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  static const AFX_MSGMAP messageMap;
  virtual const AFX_MSGMAP* GetMessageMap() const { return &messageMap; }

  // Routes a command (id and notification code) through the message map; true when an
  // entry handled it.
  virtual BOOL OnCmdMsg(UINT id, UINT code);

 protected:
  BOOL Invoke(const AFX_MSGMAP_ENTRY& entry, WPARAM wParam, LPARAM lParam, LRESULT* result);
};
