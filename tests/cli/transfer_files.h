#pragma once
// The files that export writes and import and apply read, in the test's temporary folder,
// and the port keys they lead to.
#include <windows.h>

#include <fstream>
#include <string>

#include "MonitorRegistry.h"
#include "PortKey.h"
#include "child_process.h"
#include "registry.h"

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline bool PortKeyExists(const std::string& name) { return KeyExists(HKEY_LOCAL_MACHINE, PortKeyPath(name)); }
