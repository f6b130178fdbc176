#pragma once
// The files that export writes and import and apply read, in the test's temporary folder,
// the port keys they lead to, and a scope that cannot be written, for the undo.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "MonitorRegistry.h"
#include "PortKey.h"
#include "Unique.h"
#include "child_process.h"
#include "registry.h"

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline bool PortKeyExists(const std::string& name) { return KeyExists(HKEY_LOCAL_MACHINE, PortKeyPath(name)); }

// A Discovery key that takes values but no lasting subkey, as a registry that refuses a
// write halfway: the scope's mask could be written, its addresses cannot.
inline void MakeScopeUnwritable() {
  DeleteTree(HKEY_LOCAL_MACHINE, kDiscoveryKey);
  UniqueKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDiscoveryKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  SetTextValue(HKEY_LOCAL_MACHINE, kDiscoveryKey, "SubnetMask", "255.255.0.0");
}
