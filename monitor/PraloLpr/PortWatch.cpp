#include "PortWatch.h"

#include <algorithm>
#include <string>
#include <vector>

#include "BidiWords.h"
#include "AnsiText.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "PortUse.h"
#include "SpoolerPortStatus.h"
#include "StatusQuery.h"
#include "TextField.h"

namespace {

// An interval of 0 would ask without pause; one second is the shortest.
DWORD IntervalMs(uint32_t seconds) { return std::max<uint32_t>(seconds, 1) * 1000; }

// The port's key, watched for changes of its values ("SnmpUpdated" among them).
class PortKey {
 public:
  explicit PortKey(const std::wstring& portName) : changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortKeyPath(portName).c_str(), 0,
                  KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_NOTIFY, key_.put());
    Rearm();
  }
  HANDLE Changed() const { return changed_.get(); }
  void Rearm() {
    if (key_) RegNotifyChangeKeyValue(key_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed_.get(), TRUE);
  }
  // True when "SnmpUpdated" is 1; it is set back to 0 then.
  bool TakeSnmpUpdated() {
    DWORD flag = 0, size = sizeof flag;
    if (!key_ || RegQueryValueExW(key_.get(), L"SnmpUpdated", nullptr, nullptr, reinterpret_cast<BYTE*>(&flag),
                                  &size) != ERROR_SUCCESS || flag != 1)
      return false;
    const DWORD cleared = 0;
    RegSetValueExW(key_.get(), L"SnmpUpdated", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&cleared), sizeof cleared);
    return true;
  }

 private:
  UniqueKey key_;
  UniqueHandle changed_;
};

}  // namespace

PortWatch::PortWatch(std::wstring portName)
    : portName_(std::move(portName)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  // A small stack: a monitor may watch many ports.
  if (stop_) thread_.reset(CreateThread(nullptr, 64 * 1024, Run, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

PortWatch::~PortWatch() {
  RequestStop();
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI PortWatch::Run(void* self) {
  static_cast<PortWatch*>(self)->Watch();
  return 0;
}

void PortWatch::Watch() {
  PortKey key(portName_);
  PortConfig config;
  // As if it had been enabled: a port found disabled drops words left from earlier.
  bool answeredBefore = false, wasEnabled = true;
  PortStatus reported;
  DWORD nextRecordAt = GetTickCount(), nextQuestionAt = GetTickCount();
  for (;;) {
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(now - nextRecordAt) >= 0) {
      config = ReadStoredPort(AnsiText(portName_.c_str())).port.config;
      nextRecordAt = now + IntervalMs(config.configUpdateInt);
    }
    const std::vector<std::wstring> printers = PrintersUsingPort(portName_.c_str());
    if (!config.biDiEnabled) {
      // The words of a port that is not watched would only mislead: they go.
      if (wasEnabled)
        for (const std::wstring& printer : printers) RemoveBidiWords(printer);
      wasEnabled = answeredBefore = false;
      nextQuestionAt = nextRecordAt;
    } else if (static_cast<LONG>(now - nextQuestionAt) >= 0) {
      wasEnabled = true;
      const PrinterState state = QueryPrinterState(config.deviceIP, config.communityName, stop_.get());
      if (state.reach == PrinterState::Reach::Stopped) return;
      const BidiWords words = WordsAfter(state, answeredBefore, config.statusUpdateInt);
      for (const std::wstring& printer : printers) WriteBidiWords(printer, words);
      answeredBefore = answeredBefore || state.Answered();
      if (PortStatus status = PortStatusOf(state); !(status == reported)) {
        ReportPortStatus(portName_, status);
        reported = status;
      }
      nextQuestionAt = GetTickCount() + IntervalMs(config.statusUpdateInt);
    }
    const DWORD current = GetTickCount();
    LONG until = static_cast<LONG>(nextRecordAt - current);
    if (config.biDiEnabled) until = std::min(until, static_cast<LONG>(nextQuestionAt - current));
    const HANDLE events[] = {stop_.get(), key.Changed()};
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, static_cast<DWORD>(std::max(until, 0L)));
    if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) return;
    if (woken == WAIT_OBJECT_0 + 1) {
      key.Rearm();
      // A new address or community counts at once, not at the next interval.
      if (key.TakeSnmpUpdated()) nextRecordAt = nextQuestionAt = GetTickCount();
    }
  }
}
