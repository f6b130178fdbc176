#pragma once
// One port as the bi-directional watch keeps it: its record and SNMPv3 user, its
// printer's addresses, the question in progress and what the last answers came to. It
// holds no thread of its own: the watch (BidiWatch.h) drives every port from one.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "BidiWords.h"
#include "PortConfig.h"
#include "SpoolerPortStatus.h"
#include "StatusQuery.h"
#include "UdpSocket.h"

class PortWatch {
 public:
  explicit PortWatch(std::wstring name);

  const std::wstring& Name() const { return name_; }
  const PortConfig& Record() const { return record_; }
  // The SNMPv3 user that the printer is asked with; none: the community.
  const std::optional<UsmUser>& UsmUserToAsk() const { return usmUser_; }
  bool Enabled() const { return record_.biDiEnabled != 0; }
  // A port that prints over IPP is asked over IPP (IppQuestions.h), with the certificate
  // that its port trusts; the monitor's jobs, not the watch, pin one first.
  bool AsksOverIpp() const { return record_.ippUri[0] != '\0'; }
  const std::string& PinnedCertificate() const { return pinned_; }
  // Reads the record again.
  void ReadRecord();
  // "SnmpUpdated" 1 in the port's key: it is set back to 0, and true comes back.
  bool TakeSnmpUpdated() const;
  ULONGLONG RecordIntervalMs() const { return IntervalMs(record_.configUpdateInt); }
  ULONGLONG StatusIntervalMs() const { return IntervalMs(record_.statusUpdateInt); }

  // The printer's addresses, in the order to try; none: the address does not resolve.
  void SetAddresses(std::vector<SocketAddress> addresses);
  const std::vector<SocketAddress>& Addresses() const { return addresses_; }
  // The address the next question goes to; the next address after one that did not
  // answer (false when it was the last); the one that answered first from then on.
  const SocketAddress& CurrentAddress() const { return addresses_[current_]; }
  bool NextAddress();
  void KeepCurrentAddress();

  // The words after a state of the printer, and whether the port status changed.
  BidiWords WordsAfter(const PrinterState& state);
  bool TakePortStatus(const PrinterState& state, PortStatus& status);
  // The port is no longer asked: the next answer starts afresh.
  void Disabled() { answeredBefore_ = false; }

  std::optional<BidiWords> words;           // the words last made, for printers that join the port
  std::optional<StatusQuestions> questions;  // the questions in progress
  std::optional<std::string> lookupName;  // the host name whose lookup is under way
  bool ippAsked = false;                  // an IPP question is under way
  bool wordsRemoved = false;  // the port is disabled and its printers' words are gone
  uint64_t recordRead = ~0ull;  // the watch's count of the ports' tree's changes at the last reading
  ULONGLONG recordDue = 0, questionDue = 0;
  ULONGLONG joinedAt = 0;  // when the port joined the running watch

 private:
  // An interval of 0 would ask without pause; one second is the shortest.
  static ULONGLONG IntervalMs(uint32_t seconds) { return (seconds == 0 ? 1ull : seconds) * 1000ull; }

  std::wstring name_;
  PortConfig record_{};
  std::string pinned_;
  std::optional<UsmUser> usmUser_;
  std::vector<SocketAddress> addresses_;
  size_t current_ = 0;
  bool answeredBefore_ = false;
  PortStatus reported_;
};
