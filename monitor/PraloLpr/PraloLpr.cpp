// The "Pralo TCP/IP Port" print monitor, as far as the port manager needs it: the
// spooler lists the ports stored under the monitor's "Port Names" key and deletes
// them. Printing itself is not part of this component.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

// Wine's spooler finds the monitor of a port it is asked to delete only through a
// subkey "Ports\<port name>" of the monitor's key. The ports themselves live under
// "Port Names", so every listing mirrors them there.

std::vector<std::wstring> SubkeyNames(const wchar_t* path) {
  std::vector<std::wstring> names;
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = ARRAYSIZE(name);
    LONG rc = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc == ERROR_SUCCESS) names.emplace_back(name, length);
  }
  return names;
}

// Key names compare without regard to letter case.
std::wstring Folded(std::wstring name) {
  CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

// Brings the mirror in line with the ports: stale entries go, missing ones come; the
// ones already there are left alone, so that a listing of many ports stays quick.
void MirrorPortsForSpooler(const std::vector<std::wstring>& ports) {
  std::unordered_set<std::wstring> wanted;
  for (const std::wstring& port : ports) wanted.insert(Folded(port));
  std::unordered_set<std::wstring> present;
  for (const std::wstring& mirrored : SubkeyNames(kSpoolerPortsKeyW)) {
    if (wanted.count(Folded(mirrored)) != 0)
      present.insert(Folded(mirrored));
    else
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kSpoolerPortsKeyW) + L"\\" + mirrored).c_str());
  }
  for (const std::wstring& port : ports) {
    if (present.count(Folded(port)) != 0) continue;
    UniqueKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kSpoolerPortsKeyW) + L"\\" + port).c_str(), 0, nullptr, 0,
                    KEY_WRITE, nullptr, key.put(), nullptr);
  }
}

// The port names as last read, kept until the "Port Names" key reports that a port
// came or went: the spooler asks for the list several times for every listing, and
// reading many keys each time would make a long list slow.
class PortNameCache {
 public:
  std::vector<std::wstring> Current() {
    std::lock_guard lock(mutex_);
    if (valid_ && WaitForSingleObject(changed_.get(), 0) == WAIT_TIMEOUT) return names_;
    // Watch (the key afresh: it may have been removed and made again) before reading, so
    // that a change made during the read is seen next time.
    valid_ = Watch();
    names_ = ReadAndMirror();
    return names_;
  }

 private:
  static std::vector<std::wstring> ReadAndMirror() {
    std::vector<std::wstring> names = SubkeyNames(kPortNamesKeyW);
    MirrorPortsForSpooler(names);
    return names;
  }
  bool Watch() {
    if (!changed_) changed_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return changed_ &&
           RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPortNamesKeyW, 0, KEY_READ | KEY_NOTIFY, key_.put()) == ERROR_SUCCESS &&
           RegNotifyChangeKeyValue(key_.get(), FALSE, REG_NOTIFY_CHANGE_NAME, changed_.get(), TRUE) == ERROR_SUCCESS;
  }

  std::mutex mutex_;
  UniqueKey key_;
  UniqueHandle changed_;
  std::vector<std::wstring> names_;
  bool valid_ = false;
};

PortNameCache portNames;

// Lays out PORT_INFO_1W or PORT_INFO_2W records at the start of the buffer and their
// strings from its end, as the spooler expects.
class PortInfoWriter {
 public:
  PortInfoWriter(BYTE* buffer, DWORD size) : buffer_(buffer), stringsEnd_(buffer + size) {}
  wchar_t* Put(const std::wstring& text) {
    stringsEnd_ -= (text.size() + 1) * sizeof(wchar_t);
    auto* out = reinterpret_cast<wchar_t*>(stringsEnd_);
    text.copy(out, text.size());
    out[text.size()] = L'\0';
    return out;
  }
  BYTE* Records() const { return buffer_; }

 private:
  BYTE* buffer_;
  BYTE* stringsEnd_;
};

BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
  if (level != 1 && level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  const std::vector<std::wstring> names = portNames.Current();
  const size_t record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  const size_t perPortText = level == 1 ? 0 : 2 * (std::size(kMonitorNameW));
  size_t total = 0;
  for (const std::wstring& name : names) total += record + (name.size() + 1 + perPortText) * sizeof(wchar_t);
  *needed = static_cast<DWORD>(total);
  *returned = 0;
  if (ports == nullptr || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  PortInfoWriter writer(ports, size);
  for (size_t i = 0; i < names.size(); ++i) {
    if (level == 1) {
      reinterpret_cast<PORT_INFO_1W*>(writer.Records())[i].pName = writer.Put(names[i]);
    } else {
      PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(writer.Records())[i];
      info.pPortName = writer.Put(names[i]);
      info.pMonitorName = writer.Put(kMonitorNameW);
      info.pDescription = writer.Put(kMonitorNameW);
      info.fPortType = PORT_TYPE_WRITE;
      info.Reserved = 0;
    }
  }
  *returned = static_cast<DWORD>(names.size());
  return TRUE;
}

// A text value, cut at its first NUL; empty when it is missing or not text.
std::wstring TextValue(const std::wstring& path, const wchar_t* name) {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  wchar_t data[1024] = {};
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return data;
}

std::wstring Trimmed(const std::wstring& text) {
  size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// True when a printer's comma-separated port list names the port, in any letter case.
bool PortListNames(const std::wstring& ports, const wchar_t* portName) {
  for (size_t start = 0; start <= ports.size();) {
    size_t comma = ports.find(L',', start);
    if (comma == std::wstring::npos) comma = ports.size();
    if (lstrcmpiW(Trimmed(ports.substr(start, comma - start)).c_str(), portName) == 0) return true;
    start = comma + 1;
  }
  return false;
}

bool PrinterUsesPort(const wchar_t* portName) {
  for (const std::wstring& printer : SubkeyNames(kPrintersKeyW))
    if (PortListNames(TextValue(std::wstring(kPrintersKeyW) + L"\\" + printer, L"Port"), portName)) return true;
  return false;
}

// A port that a printer still prints to stays, as the spooler of Windows keeps it.
BOOL WINAPI DeletePort(HANDLE, LPWSTR, HWND, LPWSTR portName) {
  if (PrinterUsesPort(portName)) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  LONG rc = RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kPortNamesKeyW) + L"\\" + portName).c_str());
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return FALSE;
  }
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kSpoolerPortsKeyW) + L"\\" + portName).c_str());
  return TRUE;
}

BOOL NotSupported() {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI OpenPort(HANDLE, LPWSTR, PHANDLE) { return NotSupported(); }
BOOL WINAPI StartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return NotSupported(); }
BOOL WINAPI WritePort(HANDLE, LPBYTE, DWORD, LPDWORD) { return NotSupported(); }
BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD) { return NotSupported(); }
BOOL WINAPI EndDocPort(HANDLE) { return NotSupported(); }
BOOL WINAPI ClosePort(HANDLE) { return NotSupported(); }
VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 monitor = [] {
  MONITOR2 m{};
  m.cbSize = sizeof m;
  m.pfnEnumPorts = EnumPorts;
  m.pfnOpenPort = OpenPort;
  m.pfnStartDocPort = StartDocPort;
  m.pfnWritePort = WritePort;
  m.pfnReadPort = ReadPort;
  m.pfnEndDocPort = EndDocPort;
  m.pfnClosePort = ClosePort;
  m.pfnDeletePort = DeletePort;
  m.pfnShutdown = Shutdown;
  return m;
}();

// Any non-null value: the monitor keeps no per-instance state.
const HANDLE kMonitorHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x50524C4F));

}  // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitorHandle) {
  if (monitorHandle != nullptr) *monitorHandle = kMonitorHandle;
  return &monitor;
}
