#include "PrinterIndex.h"

#include "MonitorRegistry.h"
#include "PortUse.h"
#include "Unique.h"

namespace {

// A key written this shortly before the walk (well over a tick of the system clock, about
// 16 ms on Windows) may be written again with its time unchanged: its list is read again
// at the next walk too.
constexpr ULONGLONG kRecentWrite100ns = 2'000'000;

ULONGLONG TimeOf(const FILETIME& time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

}  // namespace

// Any answer but a name ends the walk: an error such as a key deleted meanwhile repeats
// for every index.
void PrinterIndex::Refresh() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  std::map<std::wstring, Printer> printers;
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPrintersKeyW, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      wchar_t name[256];
      DWORD length = ARRAYSIZE(name);
      FILETIME written{};
      if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS) break;
      const std::wstring printer(name, length);
      Printer& entry = printers[printer];
      entry.written = TimeOf(written) + kRecentWrite100ns > TimeOf(now) ? 0 : TimeOf(written);
      const auto known = printers_.find(printer);
      if (known != printers_.end() && known->second.written != 0 && known->second.written == TimeOf(written))
        entry.ports = std::move(known->second.ports);
      else
        entry.ports = PortsOfPrinter(printer);
    }
  }
  printers_ = std::move(printers);
  byPort_.clear();
  for (const auto& [printer, entry] : printers_)
    for (const std::wstring& port : entry.ports)
      if (!port.empty()) byPort_[port].push_back(printer);
}

const std::vector<std::wstring>& PrinterIndex::PrintersOf(const std::wstring& port) const {
  static const std::vector<std::wstring> kNone;
  const auto found = byPort_.find(port);
  return found == byPort_.end() ? kNone : found->second;
}
