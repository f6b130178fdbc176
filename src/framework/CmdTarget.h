#pragma once
// The base of everything that receives commands: windows and the application object.
#include <type_traits>

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

// The one way a class gets a message map of its own: derive from
// WithMessageMap<Class, Base> instead of Base, declare
//   static const AFX_MSGMAP messageMap;
// and define it as
//   const AFX_MSGMAP Class::messageMap{BaseMessageMap<Class>(), {entries...}};
// A class that derives from its base directly, or declares no map of its own, does not
// build, so its messages can never go to the base class's map by mistake.
template <class Derived, class Base>
class WithMessageMap : public Base {
 public:
  using Base::Base;
  const AFX_MSGMAP* GetMessageMap() const override {
    static_assert(&Derived::messageMap != &Base::messageMap, "the class declares no message map of its own");
    return &Derived::messageMap;
  }

 protected:
  template <class Self>
  static const AFX_MSGMAP* BaseMessageMap() {
    static_assert(std::is_same_v<Self, Derived>, "derive the class from WithMessageMap<Class, Base>");
    return &Base::messageMap;
  }
};
