#include "PortWatch.h"

#include "AnsiText.h"
#include "MonitorRegistry.h"
#include "PortKey.h"
#include "PortValues.h"
#include "SnmpCredentials.h"
#include "Unique.h"

PortWatch::PortWatch(std::wstring name)
    : name_(std::move(name)), record_(DefaultStoredPort(AnsiText(name_.c_str())).config) {}

void PortWatch::ReadRecord() {
  const StoredPort stored = ReadStoredPort(AnsiText(name_.c_str())).port;
  record_ = stored.config;
  pinned_ = stored.ippCertificate;
  usmUser_ = PortUsmUser(stored);
}

bool PortWatch::TakeSnmpUpdated() const {
  UniqueKey key;
  DWORD flag = 0, size = sizeof flag;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortKeyPath(std::wstring_view(name_)).c_str(), 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, key.put()) != ERROR_SUCCESS ||
      RegQueryValueExW(key.get(), kSnmpUpdatedValueW, nullptr, nullptr, reinterpret_cast<BYTE*>(&flag), &size) !=
          ERROR_SUCCESS ||
      flag != 1)
    return false;
  const DWORD cleared = 0;
  RegSetValueExW(key.get(), kSnmpUpdatedValueW, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&cleared), sizeof cleared);
  return true;
}

void PortWatch::SetAddresses(std::vector<SocketAddress> addresses) {
  addresses_ = std::move(addresses);
  current_ = 0;
}

bool PortWatch::NextAddress() {
  if (current_ + 1 >= addresses_.size()) {
    current_ = 0;
    return false;
  }
  ++current_;
  return true;
}

// The address that answered goes first, so that later questions need not try the others.
void PortWatch::KeepCurrentAddress() {
  std::swap(addresses_[0], addresses_[current_]);
  current_ = 0;
}

BidiWords PortWatch::WordsAfter(const PrinterState& state) {
  const BidiWords made = ::WordsAfter(state, answeredBefore_, record_.statusUpdateInt);
  answeredBefore_ = answeredBefore_ || state.Answered();
  words = made;
  return made;
}

bool PortWatch::TakePortStatus(const PrinterState& state, PortStatus& status) {
  status = PortStatusOf(state);
  if (status == reported_) return false;
  reported_ = status;
  return true;
}
