#pragma once
// What only SYSTEM (the spooler's account) and the Administrators may read or change:
// the monitor's keys (each port's key holds its SNMP community), the copy of its ports
// kept while it is not installed, and the monitor's own folder (its jobs' files and the
// lock of its counters). Users get nothing.
#include <windows.h>

#include <string>

#include "Unique.h"

// A security descriptor whose protected DACL gives SYSTEM and the Administrators full
// access, inherited by the subkeys, or by the files and folders within.
class AdminOnlySecurity {
 public:
  enum class Object { Key, Folder, File };
  explicit AdminOnlySecurity(Object object);
  // For the Create functions; null (the default security) when it could not be built.
  SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }
  PACL Dacl() const;

 private:
  UniqueLocal descriptor_;
  SECURITY_ATTRIBUTES attributes_{};
};

// Gives the key of HKEY_LOCAL_MACHINE and every key below it that DACL, in place of
// what they inherited; the error of the first key that refused it.
DWORD RestrictKeyTree(const char* path);

// The monitor's folder, made with that DACL if missing: under the system directory's
// "spool", where users cannot make a folder of their own first. The system's error when
// it cannot be had.
DWORD MakeMonitorFolder(std::string& folder);
// The same, empty when it cannot be had.
std::string MonitorFolder();
// Removes the monitor's folder with the files left in it (the counters' lock); jobs'
// files go when their jobs end.
void RemoveMonitorFolder();

// True when the DACL of a folder lets an account that is not an administrator's (Users,
// Everyone, Authenticated Users, Interactive) add, change or delete files in it, or
// change the DACL itself; also when there is no DACL or it cannot be read.
bool OrdinaryAccountsMayWrite(const std::string& folder);
