#pragma once
// One SNMPv3 question to one agent with the User-based Security Model (RFC 3414): the
// engine discovery when the agent's engine is not known yet (an unauthenticated probe,
// answered by a Report of usmStatsUnknownEngineIDs that carries the engine's ID, boots
// and time), then the request at the user's level, authenticated with HMAC-SHA-96 or
// HMAC-SHA-256-192 and encrypted with AES-128-CFB as the level says.
//
// The agent's clock is followed from its messages: an authenticated notInTimeWindow
// Report (an agent restarted: new boots) resynchronises once and the request goes again;
// a second one fails. Other Reports end the question with their own error. A Response
// counts only when it carries the msgID and request id sent, comes from the engine asked
// and, at an authenticated level, carries the right digest; anything else is dropped.
//
// SNMPv2 exceptions in an answer (noSuchObject, noSuchInstance, endOfMibView) come back as
// SNMPv1's noSuchName error, so that callers read answers of both versions alike.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Snmp.h"
#include "SnmpV3.h"
#include "UsmError.h"
#include "UsmKeys.h"
#include "UsmUser.h"

// What is known of an agent's engine, learned from its messages.
struct UsmEngine {
  std::string id;
  int32_t boots = 0;
  int32_t time = 0;
  ULONGLONG learnedAt = 0;  // GetTickCount64 when `time` was read
  bool Known() const { return !id.empty(); }
  int32_t TimeAt(ULONGLONG now) const;
};

class UsmConversation {
 public:
  // `engine` is the caller's knowledge of the agent, kept between questions; it must live
  // as long as the conversation.
  UsmConversation(const UsmUser& user, std::vector<snmp::Oid> oids, UsmEngine& engine);

  // The next datagram: the probe while the engine is unknown, else the request. Each has a
  // fresh random msgID and request id. Empty when the user has no name or no key could be
  // made (Error says so).
  std::vector<uint8_t> Request(ULONGLONG now);
  int32_t MsgId() const { return msgId_; }

  enum class Step { Drop, SendAgain, Answered, Failed };
  // A message whose msgID is MsgId(), with the datagram it came in.
  Step Take(std::span<const uint8_t> datagram, const snmp::DecodedV3& message, ULONGLONG now);
  // Every attempt ran out without an answer: the error that this says, if any.
  void RanOut();
  const snmp::Response& Answer() const { return answer_; }
  UsmError Error() const { return error_; }
  const UsmUser& User() const { return user_; }

 private:
  bool Authenticated() const { return user_.level != UsmLevel::NoAuthNoPriv; }
  bool Private() const { return user_.level == UsmLevel::AuthPriv; }
  std::vector<uint8_t> Probe() const;
  std::vector<uint8_t> Sealed(ULONGLONG now) const;
  bool Authentic(std::span<const uint8_t> datagram, const snmp::DecodedV3& message) const;
  std::optional<snmp::ScopedPdu> Open(std::span<const uint8_t> datagram, const snmp::DecodedV3& message) const;
  Step TakeReport(const snmp::DecodedV3& message, bool authentic, const snmp::Response& report, ULONGLONG now);
  Step TakeResponse(std::span<const uint8_t> datagram, const snmp::DecodedV3& message, snmp::Response response,
                    ULONGLONG now);
  Step Fail(UsmError error);
  void Learn(const snmp::UsmParameters& usm, ULONGLONG now);

  UsmUser user_;
  std::vector<snmp::Oid> oids_;
  UsmEngine& engine_;
  std::shared_ptr<const UsmKeys> keys_;
  int32_t msgId_ = 0;
  int32_t requestId_ = 0;
  bool probing_ = false;   // the last datagram was the discovery probe
  int sentAgain_ = 0;      // discoveries and resynchronisations so far
  bool resynchronised_ = false;
  bool discovered_ = false;  // the agent answered this conversation's discovery probe
  snmp::Response answer_;
  UsmError error_ = UsmError::None;
};
