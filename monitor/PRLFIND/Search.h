#pragma once
// One background search: a worker thread that asks every host of its subnets over
// SNMPv1 and reports each host that answers, once, through the caller's callback.
//
// Probing: each host gets a GET of sysName.0, sysObjectID.0 and hrDeviceDescr.1 under
// each community ("mirabo", then "public"); a host that lacks hrDeviceDescr.1 is asked
// again with sysDescr.0 in its place. Packets leave at 4 per millisecond at most, taken
// from the subnets in turn. Within a subnet, hosts not asked yet go first; a host that
// has not answered is asked again once its subnet's new hosts are out and at least
// 500 ms after its last probe left, three rounds in all; the sweep ends 500 ms after
// the last probe.
//
// A search with an SNMPv3 user also sends each host, in each round, SNMPv3's discovery
// probe (UsmConversation.h); an agent that answers with its engine's Report is then asked
// the same names with the user, sysDescr.0 beside hrDeviceDescr.1 in one GET. A host is
// reported once, by whichever version answers first. A search with the user only sends
// no community at all: each round is the discovery probe (or the user's question) alone.
//
// Each subnet has a socket of its own: on a LAN, datagrams to silent hosts wait for
// neighbour resolution (about 3 s) and fill their socket's send buffer; a subnet whose
// socket is full waits for the next pass without holding back the others.
//
// The worker holds a reference on the library while it runs and ends once the sweep is
// over (a subnet added later starts it again). So the library is never unloaded under
// a running worker, and its unloading never waits for one under the loader lock.
#include <winsock2.h>

#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "HostRange.h"
#include "PrlFind.h"
#include "Snmp.h"
#include "UdpSocket.h"
#include "Unique.h"
#include "UsmConversation.h"

class Search {
 public:
  Search(PFN_DISCOVERY_CALLBACK callback, void* callbackContext);
  enum class Asks { CommunitiesAndUser, UserOnly };
  Search(PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext, const UsmUser& user, Asks asks);
  ~Search();
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  bool Start(const std::vector<HostRange>& ranges);
  void Add(const HostRange& range);
  // Ends the worker; returns once no callback runs or will follow.
  void Stop();
  // The library is being unloaded: every worker has ended, and none is waited for.
  static void Unloading();

 private:
  struct Target {
    Target(uint32_t hostAddress, size_t laneIndex) : address(hostAddress), lane(laneIndex) {}
    uint32_t address;
    size_t lane;
    int rounds = 0;
    bool answered = false;
    int32_t ids[2][2] = {};  // request id by community and kind; 0 not sent yet
    UsmEngine engine;
    std::unique_ptr<UsmConversation> usm;  // once its SNMPv3 probe went
    bool usmEnded = false;                 // the agent refused the user, or no key

    int32_t RequestId(int community, bool fallback);
    // True when the id is one sent to this host; its probe's community and kind with it.
    bool Sent(int32_t requestId, int& community, bool& fallback) const;
  };
  struct Probe {
    size_t target;
    int community;
    bool fallback;  // asks sysDescr.0 instead of hrDeviceDescr.1
    bool v3 = false;  // SNMPv3: the discovery probe, or the question that follows it
    bool endsRound = false;  // the host's next round is due after this one left
  };
  struct Due {
    DWORD at;
    size_t target;
  };
  // One subnet's hosts and the socket they are asked through.
  struct Lane {
    Lane(size_t laneIndex, const HostRange& hosts) : index(laneIndex), range(hosts), next(hosts.first) {}
    size_t index;
    HostRange range;
    uint64_t next;  // the first host not asked yet
    UdpSocket socket;
    std::deque<Probe> outbox;
    std::deque<Due> retries;  // in time order: every entry is queued "now + constant"
    bool full = false;        // the socket took no more in this pass
  };

  static DWORD WINAPI WorkerMain(LPVOID self);
  // Starts the worker with its reference on the library; under incomingMutex_.
  bool StartWorker();
  // The sweep is over: true when the worker ends (nothing came in meanwhile).
  bool EndWhenIdle();
  void Run();
  bool Stopping() const;
  void TakeNewRanges();
  void SendAllowed(DWORD now);
  // Sends the lane's next probe; false when it has none to send now.
  bool SendNext(Lane& lane, DWORD now);
  // The probe's datagram; empty when there is nothing to send for it.
  std::vector<uint8_t> RequestFor(const Probe& probe);
  void Refill(Lane& lane, DWORD now);
  void QueueRound(Lane& lane, size_t target);
  bool Idle(DWORD now) const;
  DWORD NextWait(DWORD now) const;
  void ReceiveFor(DWORD waitMs);
  void Handle(const snmp::Response& response, uint32_t from);
  void HandleV3(std::span<const uint8_t> datagram, uint32_t from);
  void Report(const Target& target, const snmp::Response& response);
  void ReportV3(const Target& target, const snmp::Response& response);
  void Deliver(DiscoveredPrinter& printer, uint32_t version);

  PFN_DISCOVERY_CALLBACK callback_ = nullptr;
  PFN_DISCOVERY_CALLBACK_USM callbackUsm_ = nullptr;
  std::optional<UsmUser> user_;
  bool communities_ = true;
  void* callbackContext_;
  WinsockSession winsock_;
  UniqueHandle stop_;
  UniqueHandle thread_;

  std::mutex incomingMutex_;
  std::vector<HostRange> incoming_;
  bool running_ = false;

  std::vector<std::unique_ptr<Lane>> lanes_;
  std::deque<Target> targets_;  // a deque: a conversation refers to its target's engine
  std::unordered_map<uint32_t, size_t> known_;  // address to target
  DWORD sendBudgetAt_ = 0;
  DWORD sweepEndsAt_ = 0;
};
