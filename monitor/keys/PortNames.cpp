#include "PortNames.h"

#include <windows.h>

#include <mutex>
#include <set>

#include "MonitorCounter.h"
#include "MonitorRegistry.h"
#include "PortNameCompare.h"
#include "Unique.h"

namespace {

// Wine's spooler finds the monitor of a port it is asked to delete only through a
// subkey "Ports\<port name>" of the monitor's key. The ports themselves live under
// "Port Names", so every listing mirrors them there.

// A mirror that cannot be written leaves the listing whole; the failures are added up
// in this value of the monitor's key, so that an administrator (or a test) sees them.
constexpr wchar_t kMirrorFailuresValue[] = L"MirrorWriteFailures";

// The watch outlives the thread that asked for it (Windows 8 and later; older systems
// take the plain watch).
constexpr DWORD kNotifyThreadAgnostic = 0x10000000;  // REG_NOTIFY_THREAD_AGNOSTIC

}  // namespace

std::vector<std::wstring> SubkeyNames(const wchar_t* path) {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  return SubkeyNames(key.get());
}

// Any answer but a name ends the listing: an error such as a key deleted meanwhile
// repeats for every index.
std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = ARRAYSIZE(name);
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

namespace {

// The mirror's entries, below the monitor's key.
constexpr wchar_t kMirrorPrefix[] = L"Ports\\";

// Brings the mirror in line with the ports: stale entries go, missing ones come; the
// ones already there are left alone, so that a listing of many ports stays quick.
// Entries are made only inside the monitor's key as it exists, never the key itself: while
// setup removes the monitor, a listing that comes meanwhile (from a thread of the spooler,
// or from a process that still holds the monitor loaded) finds no key, or a deleted one
// (ERROR_KEY_DELETED), and writes nothing, instead of making the key again with ports
// that were removed.
void MirrorPortsForSpooler(const std::vector<std::wstring>& ports) {
  UniqueKey monitor;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKeyW, 0, KEY_READ | KEY_CREATE_SUB_KEY, monitor.put()) != ERROR_SUCCESS)
    return;
  // Key names compare as port names do.
  const std::set<std::wstring, PortNameLess> wanted(ports.begin(), ports.end());
  std::set<std::wstring, PortNameLess> present;
  DWORD failures = 0;
  for (const std::wstring& mirrored : SubkeyNames(kSpoolerPortsKeyW)) {
    if (wanted.count(mirrored) != 0)
      present.insert(mirrored);
    else if (RegDeleteKeyW(monitor.get(), (kMirrorPrefix + mirrored).c_str()) != ERROR_SUCCESS)
      ++failures;
  }
  for (const std::wstring& port : ports) {
    if (present.count(port) != 0) continue;
    UniqueKey key;
    const LONG rc = RegCreateKeyExW(monitor.get(), (kMirrorPrefix + port).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                    key.put(), nullptr);
    if (rc == ERROR_KEY_DELETED) return;
    if (rc != ERROR_SUCCESS) ++failures;
  }
  if (failures != 0) AddToMonitorCounter(kMirrorFailuresValue, failures);
}

// The port names as last read, kept until the "Port Names" key reports that a port
// came or went: the spooler asks for the list several times for every listing, and
// reading many keys each time would make a long list slow.
class PortNameCache {
 public:
  std::vector<std::wstring> Current() {
    std::lock_guard lock(mutex_);
    if (valid_ && WaitForSingleObject(changed_.get(), 0) == WAIT_TIMEOUT) return names_;
    // Watch again before reading, so that a change made during the read is seen next
    // time. The watch is armed anew on the key kept open: closing a watched key signals
    // its watch, so a key opened for every listing would make every listing read again.
    // A key that was removed cannot be watched; the one made in its place is opened.
    valid_ = Watch() || (Reopen() && Watch());
    names_ = ReadAndMirror();
    return names_;
  }

 private:
  static std::vector<std::wstring> ReadAndMirror() {
    std::vector<std::wstring> names = SubkeyNames(kPortNamesKeyW);
    MirrorPortsForSpooler(names);
    return names;
  }
  bool Reopen() {
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortNamesKeyW, 0, KEY_READ | KEY_NOTIFY, key_.put()) == ERROR_SUCCESS;
  }
  bool Watch() {
    if (!changed_) changed_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!changed_ || !key_) return false;
    return Notify(REG_NOTIFY_CHANGE_NAME | kNotifyThreadAgnostic) || Notify(REG_NOTIFY_CHANGE_NAME);
  }
  bool Notify(DWORD filter) {
    return RegNotifyChangeKeyValue(key_.get(), FALSE, filter, changed_.get(), TRUE) == ERROR_SUCCESS;
  }

  std::mutex mutex_;
  UniqueKey key_;
  UniqueHandle changed_;
  std::vector<std::wstring> names_;
  bool valid_ = false;
};

PortNameCache portNames;

}  // namespace

std::vector<std::wstring> CurrentPortNames() { return portNames.Current(); }

void ForgetMirroredPort(const std::wstring& portName) {
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kSpoolerPortsKeyW) + L"\\" + portName).c_str());
}
