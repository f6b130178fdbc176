#include "MonitorCounter.h"

#include "AdminOnly.h"
#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

// A file of the monitor's folder, locked while a counter changes. Only SYSTEM and the
// Administrators can open it, so no user can hold the lock and stall a job, as any user
// could with a named kernel object made before the monitor's.
constexpr char kCounterLockFile[] = "\\Counters.lock";

// Holds the lock of the counters while it lives, if it got it. Every process and every
// load of the monitor locks the same bytes of the same file; the lock goes with the
// handle, whatever way its holder ends.
class CounterLock {
 public:
  CounterLock() {
    const std::string folder = MonitorFolder();
    if (folder.empty()) return;
    AdminOnlySecurity security(AdminOnlySecurity::Object::File);
    HANDLE file = CreateFileA((folder + kCounterLockFile).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, security.Attributes(), OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    file_.reset(file);
    OVERLAPPED whole{};
    held_ = LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole) != FALSE;
  }
  ~CounterLock() {
    OVERLAPPED whole{};
    if (held_) UnlockFileEx(file_.get(), 0, 1, 0, &whole);
  }
  CounterLock(const CounterLock&) = delete;
  CounterLock& operator=(const CounterLock&) = delete;
  bool Held() const { return held_; }

 private:
  UniqueHandle file_;
  bool held_ = false;
};

}  // namespace

std::optional<DWORD> AddToMonitorCounter(const wchar_t* value, DWORD amount) {
  CounterLock lock;
  UniqueKey key;
  if (!lock.Held() ||
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMonitorKeyW, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD before = 0, size = sizeof before, type = 0;
  if (RegQueryValueExW(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(&before), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof before)
    before = 0;
  const DWORD after = before + amount;
  if (RegSetValueExW(key.get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&after), sizeof after) != ERROR_SUCCESS)
    return std::nullopt;
  return before;
}
