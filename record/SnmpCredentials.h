#pragma once
// Where SNMPv3 users are kept, and the one reader of them for the monitor, the
// identification and search, and prlport. The machine's profile (the user that
// identification and the search try) is the monitor's "SNMPv3" key; a port's own user
// is among its port's values (PortValues.h). Pass phrases are stored only sealed
// (ProtectedText.h), beside the user, in keys that only SYSTEM and the Administrators
// may read; the writer is in the monitor's keys (SnmpSecrets.h).
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MonitorRegistry.h"
#include "PortValues.h"
#include "UsmUser.h"

inline constexpr char kSnmpProfileKey[] = PRALO_MONITOR_KEY "\\SNMPv3";
// Sealed pass phrases, REG_BINARY, in the profile's key and in a port's key.
inline constexpr char kSnmpV3AuthPassphraseValue[] = "SnmpV3AuthPassphrase";
inline constexpr char kSnmpV3PrivPassphraseValue[] = "SnmpV3PrivPassphrase";
// The profile's: 0 after the community, 1 instead of it.
inline constexpr char kSnmpV3UseValue[] = "SnmpV3Use";

enum class ProfileUse : uint32_t { AfterCommunity = 0, InsteadOfCommunity = 1 };

struct SnmpProfile {
  UsmUser user;
  ProfileUse use = ProfileUse::AfterCommunity;
};

// A sealed pass phrase's bytes as the key holds them; nothing when the value is not
// stored (or is not one of ours).
std::optional<std::vector<BYTE>> SealedValue(HKEY key, const char* name);

// The machine's profile; nothing when none is stored (or its key cannot be read).
std::optional<SnmpProfile> ReadSnmpProfile();

// The user that a port's printer is asked with: nothing for a port on its community; for
// a port on SNMPv3 its own user, or the profile's user. A port on SNMPv3 whose user is
// not stored gets a user without a name, which is never sent (UsmError::NoProfile).
std::optional<UsmUser> PortUsmUser(const StoredPort& port);

// The port's own user as its values name it, without pass phrases.
UsmUser OwnUserOf(const PortSnmpChoice& choice);
// How a port's choice reads: "community", "SNMPv3 (profile)", "SNMPv3 (user NAME)".
std::string SnmpChoiceText(const PortSnmpChoice& choice);
