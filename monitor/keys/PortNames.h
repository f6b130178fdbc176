#pragma once
// The monitor's ports: the subkeys of its "Port Names" key, kept until the key reports a
// change, and mirrored under "Ports" for the spooler.
#include <string>
#include <vector>

std::vector<std::wstring> SubkeyNames(const wchar_t* path);
// The port names as last read.
std::vector<std::wstring> CurrentPortNames();
// Removes the spooler's mirror entry of a deleted port.
void ForgetMirroredPort(const std::wstring& portName);
