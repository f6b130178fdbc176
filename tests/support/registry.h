#pragma once
// Registry fixtures for tests: write values of any shape, read raw data back, and
// remove whole trees.
#include <windows.h>

#include <string>
#include <vector>

void SetRawValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& data);
void SetTextValue(HKEY root, const std::string& path, const char* name, const std::string& text);
void SetNumberValue(HKEY root, const std::string& path, const char* name, DWORD value);

struct RawValue {
  bool exists = false;
  DWORD type = 0;
  std::vector<BYTE> data;
};
RawValue GetRawValue(HKEY root, const std::string& path, const char* name);

void DeleteTree(HKEY root, const std::string& path);
bool KeyExists(HKEY root, const std::string& path);

// A value of the monitor's port as stored: a text up to its NUL, or "<missing>"; a
// number of 4 bytes, or 0xFFFFFFFF when it is missing or of another size.
std::string StoredText(const std::string& port, const char* name);
DWORD StoredNumber(const std::string& port, const char* name);

// When the key or one of its values was last written; zero when it cannot be opened.
FILETIME KeyLastWrite(HKEY root, const std::string& path);
