#pragma once
// The monitor's ports: the subkeys of its "Port Names" key, kept until the key reports a
// change, and mirrored under "Ports" for the spooler.
#include <windows.h>

#include <string>
#include <vector>

// The names of the subkeys of a key of HKEY_LOCAL_MACHINE, or of an open key, as far as
// they can be listed.
std::vector<std::wstring> SubkeyNames(const wchar_t* path);
std::vector<std::wstring> SubkeyNames(HKEY key);
// The port names as last read.
std::vector<std::wstring> CurrentPortNames();
// Removes the spooler's mirror entry of a deleted port.
void ForgetMirroredPort(const std::wstring& portName);
