#pragma once
// Pass phrases as the registry keeps them: sealed by CryptProtectData with the machine's
// key, so that the spooler (LocalSystem) and an administrator's programs on this machine
// open them, and a copy of the registry taken elsewhere does not. Who may read the sealed
// bytes at all is the key's access list (AdminOnly.h).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The sealed bytes; empty when the system could not seal the text.
std::vector<BYTE> ProtectText(std::string_view text);
// The text again; nothing when the bytes were not sealed on this machine or were changed.
std::optional<std::string> UnprotectText(const std::vector<BYTE>& sealed);
