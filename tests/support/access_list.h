#pragma once
// Who an object's DACL lets in, as a test of what a local user can reach asks it.
#include <string>

// The ordinary accounts that the DACL of a key of HKEY_LOCAL_MACHINE, or of a file or
// folder, names: Users, Everyone, Authenticated Users, Interactive, each followed by a
// blank; "none" when it names none of them; a text in brackets when there is no such
// object, or no DACL at all (which lets everyone in).
std::string OrdinaryAccountsOfKey(const std::string& path);
std::string OrdinaryAccountsOfFile(const std::string& path);
