#pragma once
// Stores the SNMPv3 users of SnmpCredentials.h: the machine's profile in its own key and
// a port's pass phrases in its port key, each pass phrase sealed, each key given the
// access list of AdminOnly.h (Windows hands it on to new keys; Wine does not, so it is
// set where the pass phrases go). Answers the system's error code, 0 when stored.
#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "SnmpCredentials.h"

DWORD StoreSnmpProfile(const SnmpProfile& profile);
// Removes the profile; none stored is no failure.
DWORD RemoveSnmpProfile();
// Seals the user's pass phrases into the port's existing key; an empty one is removed.
DWORD StorePortPassphrases(std::string_view portName, const UsmUser& user);
// Removes the port's pass phrases; none stored is no failure.
DWORD RemovePortPassphrases(std::string_view portName);

// A port's pass phrases as its key holds them, still sealed: what an undo puts back
// without ever unsealing them.
struct SealedPassphrases {
  std::optional<std::vector<BYTE>> auth, priv;  // nothing: the value is not stored
};
SealedPassphrases ReadSealedPortPassphrases(std::string_view portName);
// Puts them back byte for byte into the port's existing key; a value that was not stored
// is removed.
DWORD PutBackSealedPortPassphrases(std::string_view portName, const SealedPassphrases& sealed);
