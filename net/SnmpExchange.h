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
//
// Askers of the same question share it: the same address and UDP port, version,
// community or user (with its pass phrases) and objects asked. One who asks while such a
// question is in flight joins it, and every asker gets the one answer, or the silence of
// its last attempt; one who asks while an ending of it is younger than the age it allows
// takes that. Questions with anything different are asked apart.
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

  // `keptMs`: how old an ending of the same question may be to be taken instead of asking.
  void Ask(uint64_t ticket, const SocketAddress& printer, const std::string& community,
           const std::vector<snmp::Oid>& oids, ULONGLONG now, ULONGLONG keptMs = 0);
  void Ask(uint64_t ticket, const SocketAddress& printer, const UsmUser& user, const std::vector<snmp::Oid>& oids,
           ULONGLONG now, ULONGLONG keptMs = 0);
  // The ticket no longer waits; its question goes on while others wait for it.
  void Cancel(uint64_t ticket);
  // Questions on the wire, however many askers share each.
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
    std::string key;  // what askers of it have alike (KeyOf), pass phrases aside
    std::vector<uint64_t> tickets;
    SocketAddress printer;
    std::string community;
    std::vector<snmp::Oid> oids;
    std::unique_ptr<UsmConversation> usm;  // SNMPv3 only
    std::vector<uint8_t> request;  // the current attempt's
    size_t attempt = 0;
    int32_t requestId = 0;
    ULONGLONG deadline = 0;  // 0 while the request waits for the socket
  };
  // How a question ended, for askers who come soon after.
  struct Kept {
    ULONGLONG at = 0;
    std::optional<UsmUser> user;  // SNMPv3 only
    Ended ending;
  };

  Lane* LaneFor(int family) const;
  // A question in flight or an ending kept that the asker may share; 0 / null: none.
  uint64_t SharedQuestion(const std::string& key, const UsmUser* user) const;
  const Kept* KeptEnding(const std::string& key, const UsmUser* user, ULONGLONG now, ULONGLONG keptMs) const;
  // Joins the ticket to what it may share; false when it must be asked.
  bool Share(uint64_t ticket, const std::string& key, const UsmUser* user, ULONGLONG now, ULONGLONG keptMs);
  uint64_t NewQuestion(uint64_t ticket, std::string key, const SocketAddress& printer);
  void StartAttempt(uint64_t number, Question& question, ULONGLONG now);
  bool Send(const Question& question);
  void StartWait(uint64_t number, Question& question, ULONGLONG now);
  void Forget(uint64_t number, Question& question);
  void Drop(uint64_t number);
  void Receive(Lane& lane, std::vector<Ended>& ended, ULONGLONG now);
  void ReceiveV3(std::span<const uint8_t> datagram, const SocketAddress& from, std::vector<Ended>& ended, ULONGLONG now);
  void End(uint64_t number, std::optional<snmp::Response> answer, std::vector<Ended>& ended, ULONGLONG now);
  void Keep(const Question& question, const Ended& ending, ULONGLONG now);
  void ForgetOldEndings(ULONGLONG now);
  void SendWaiting(ULONGLONG now);

  std::vector<DWORD> waits_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  uint64_t nextNumber_ = 1;
  std::unordered_map<uint64_t, Question> questions_;   // by the question's own number
  std::unordered_map<uint64_t, uint64_t> askedIn_;      // the question that each ticket waits for
  std::unordered_map<std::string, uint64_t> byKey_;    // the question in flight that others may join
  std::unordered_map<int32_t, uint64_t> byRequestId_;  // and by msgID
  std::unordered_map<std::string, UsmEngine> engines_;  // by the agent's address
  std::set<std::pair<ULONGLONG, uint64_t>> deadlines_;
  std::deque<uint64_t> waiting_;  // questions whose request the socket did not take yet
  std::unordered_map<std::string, Kept> kept_;  // the last ending of each question, by key
  std::deque<std::pair<ULONGLONG, std::string>> keptOrder_;  // oldest first
  ULONGLONG longestKeptMs_ = 0;
  std::vector<Ended> taken_;  // endings taken from kept_, handed out by the next Advance
};
