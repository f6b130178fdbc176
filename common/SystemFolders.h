#pragma once
// The system's folders by their full path.
#include <windows.h>

#include <string>

// The folder that `get` (GetSystemDirectoryA, GetWindowsDirectoryA) names; empty when the
// call fails or the path does not fit MAX_PATH.
inline std::string SystemFolderOf(UINT(WINAPI* get)(LPSTR, UINT)) {
  char path[MAX_PATH] = {};
  const UINT length = get(path, sizeof path);
  return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

inline std::string SystemFolder() { return SystemFolderOf(GetSystemDirectoryA); }
inline std::string WindowsFolder() { return SystemFolderOf(GetWindowsDirectoryA); }
