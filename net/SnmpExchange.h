#pragma once
// Many SNMP GETs in flight at once, to many printers, through one UDP socket per address
// family: the bi-directional watch's questions. Each question has its attempts (the
// waits given), each with a fresh random request id; an answer counts only when it
// carries the id of its question's current attempt and comes from the printer's
// address and port. Whatever else comes in, and receives the system refuses, are
// dropped. A send that the system cannot take now (a send buffer held by datagrams that
// wait for neighbour resolution) waits for the socket to take it; its attempt's time
// runs from when it leaves. Nothing here blocks.
//
// A question goes with a community (SNMPv1) or with an SNMPv3 user (UsmConversation.h):
// then its answer is matched by msgID, the engine discovery and a resynchronisation go
// within its attempt, and what is learned of each agent's engine is kept for the next
// question to the same address.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "Snmp.h"
#include "UdpSocket.h"
#include "UsmConversation.h"

class SnmpExchange {
 public:
  explicit SnmpExchange(std::span<const DWORD> attemptWaitsMs);
  ~SnmpExchange();
  SnmpExchange(const SnmpExchange&) = delete;
  SnmpExchange& operator=(const SnmpExchange&) = delete;

  // Whether a socket of the family could be had.
  bool CanAsk(int family) const;
  // One event per socket, signalled when datagrams came in or sending may go on.
  std::vector<HANDLE> Events() const;

  void Ask(uint64_t ticket, const SocketAddress& printer, const std::string& community,
           const std::vector<snmp::Oid>& oids, ULONGLONG now);
  void Ask(uint64_t ticket, const SocketAddress& printer, const UsmUser& user, const std::vector<snmp::Oid>& oids,
           ULONGLONG now);
  void Cancel(uint64_t ticket);
  size_t InFlight() const { return questions_.size(); }

  struct Ended {
    uint64_t ticket;
    std::optional<snmp::Response> answer;  // nothing: no answer in any attempt, or a refusal
    int version = 1;                        // 1 or 3, as the question was asked
    UsmError error = UsmError::None;        // why an SNMPv3 agent refused
  };
  // Reads what came in, sends what waited, and ends the questions whose last attempt
  // ran out.
  std::vector<Ended> Advance(ULONGLONG now);
  // The time by which Advance is due again (a deadline or a send that waits).
  ULONGLONG NextDue() const;

 private:
  struct Lane;
  struct Question {
    SocketAddress printer;
    std::string community;
    std::vector<snmp::Oid> oids;
    std::unique_ptr<UsmConversation> usm;  // SNMPv3 only
    std::vector<uint8_t> request;  // the current attempt's
    size_t attempt = 0;
    int32_t requestId = 0;
    ULONGLONG deadline = 0;  // 0 while the request waits for the socket
  };

  Lane* LaneFor(int family) const;
  void StartAttempt(uint64_t ticket, Question& question, ULONGLONG now);
  bool Send(const Question& question);
  void StartWait(uint64_t ticket, Question& question, ULONGLONG now);
  void Forget(uint64_t ticket, Question& question);
  void Receive(Lane& lane, std::vector<Ended>& ended, ULONGLONG now);
  void ReceiveV3(std::span<const uint8_t> datagram, const SocketAddress& from, std::vector<Ended>& ended, ULONGLONG now);
  void End(uint64_t ticket, std::optional<snmp::Response> answer, std::vector<Ended>& ended);
  void SendWaiting(ULONGLONG now);

  std::vector<DWORD> waits_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  std::unordered_map<uint64_t, Question> questions_;
  std::unordered_map<int32_t, uint64_t> byRequestId_;  // and by msgID
  std::unordered_map<std::string, UsmEngine> engines_;  // by the agent's address
  std::set<std::pair<ULONGLONG, uint64_t>> deadlines_;
  std::deque<uint64_t> waiting_;  // tickets whose request the socket did not take yet
};
