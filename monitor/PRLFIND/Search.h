#pragma once
// One background search: a worker thread that asks every host of its subnets over
// SNMPv1 and reports each host that answers, once, through the caller's callback.
//
// Probing: each host gets a GET of sysName.0, sysObjectID.0 and hrDeviceDescr.1 under
// each community ("mirabo", then "public"); a host that lacks hrDeviceDescr.1 is asked
// again with sysDescr.0 in its place. Packets leave at 4 per millisecond at most. A
// host that has not answered is asked again 500 ms later, three rounds in all; the
// sweep ends 500 ms after the last round.
#include <winsock2.h>

#include <deque>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "HostRange.h"
#include "PrlFind.h"
#include "Snmp.h"
#include "UdpSocket.h"
#include "Unique.h"

class Search {
 public:
  Search(PFN_DISCOVERY_CALLBACK callback, void* callbackContext);
  ~Search();
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  bool Start(const std::vector<HostRange>& ranges);
  void Add(const HostRange& range);
  // Ends the worker; returns once no callback runs or will follow.
  void Stop();

 private:
  struct Target {
    uint32_t address;
    int rounds = 0;
    bool answered = false;
  };
  struct Probe {
    size_t target;
    int community;
    bool fallback;  // asks sysDescr.0 instead of hrDeviceDescr.1
  };
  struct Due {
    DWORD at;
    size_t target;
  };

  static DWORD WINAPI WorkerMain(LPVOID self);
  void Run();
  bool Stopping() const;
  void TakeNewRanges(DWORD now);
  void QueueDueRounds(DWORD now);
  void SendAllowed(DWORD now);
  void ReceiveFor(DWORD waitMs);
  void Handle(const snmp::Response& response, uint32_t from);
  void Report(const Target& target, const snmp::Response& response);
  DWORD NextWait(DWORD now) const;

  PFN_DISCOVERY_CALLBACK callback_;
  void* callbackContext_;
  WinsockSession winsock_;
  UdpSocket socket_;
  UniqueHandle stop_;
  UniqueHandle wake_;
  UniqueHandle thread_;

  std::mutex incomingMutex_;
  std::vector<HostRange> incoming_;

  std::vector<Target> targets_;
  std::unordered_set<uint32_t> known_;
  std::deque<Due> rounds_;  // in time order: every entry is queued "now + constant"
  std::deque<Probe> outbox_;
  DWORD sendBudgetAt_ = 0;
  DWORD sweepEndsAt_ = 0;
};
