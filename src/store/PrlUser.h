#pragma once
// An SNMPv3 user in the plain form that PrlStat.dll and PRLFIND.dll take, its pass
// phrases wiped when it goes.
#include <windows.h>

#include "PrlUsmUser.h"
#include "TextField.h"

class PrlUser {
 public:
  explicit PrlUser(const UsmUser& user) {
    CopyText(user_.name, user.name);
    user_.level = static_cast<uint32_t>(user.level);
    user_.auth = static_cast<uint32_t>(user.auth);
    user_.priv = static_cast<uint32_t>(user.priv);
    CopyText(user_.authPassphrase, user.authPassphrase);
    CopyText(user_.privPassphrase, user.privPassphrase);
  }
  PrlUser(const PrlUser&) = delete;
  PrlUser& operator=(const PrlUser&) = delete;
  ~PrlUser() { SecureZeroMemory(&user_, sizeof user_); }
  const PrlUsmUser* get() const { return &user_; }

 private:
  PrlUsmUser user_{};
};
