#include "MonitorCounter.h"

#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

constexpr wchar_t kCounterLock[] = L"Global\\PraloLprMonitorCounters";
constexpr DWORD kLockWaitMs = 5000;

// Holds the system-wide lock of the counters while it lives, if it got it.
class CounterLock {
 public:
  CounterLock() : mutex_(CreateMutexW(nullptr, FALSE, kCounterLock)) {
    const DWORD waited = mutex_ ? WaitForSingleObject(mutex_.get(), kLockWaitMs) : WAIT_FAILED;
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~CounterLock() {
    if (held_) ReleaseMutex(mutex_.get());
  }
  CounterLock(const CounterLock&) = delete;
  CounterLock& operator=(const CounterLock&) = delete;
  bool Held() const { return held_; }

 private:
  UniqueHandle mutex_;
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
