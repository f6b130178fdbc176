// Printer identification: a GET of sysObjectID.0, answered as dotted text, over SNMPv1
// with a community (ordinal 1) or SNMPv3 with a user (QueryPrinterIdentifierUsm).
//
// Timing: three attempts that wait 250, 500 and 1000 ms for the answer (1.75 s in all),
// each with a fresh random request id, through a socket connected to the printer. A
// printer on the lab's network answers the first one in a few milliseconds. Anything
// else that comes in is dropped while the attempt's time runs (SnmpAsk.h). An SNMPv3
// agent's engine discovery goes within the first attempt.
#include "TextField.h"
#include "PrlStat.h"

#include <cstring>
#include <string>

#include "PrinterAddress.h"
#include "SnmpAsk.h"

namespace {

constexpr DWORD kAttemptWaitsMs[] = {250, 500, 1000};
constexpr size_t kMaxCommunity = 255;
const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};

// What an answer to our request means.
int Evaluate(const snmp::Response& response, std::string& identifier) {
  if (response.errorStatus != 0) return kPrlStatRefused;
  if (response.varbinds.size() != 1 || response.varbinds[0].name != kSysObjectId ||
      response.varbinds[0].type != snmp::ValueType::ObjectIdentifier)
    return kPrlStatMalformed;
  identifier = snmp::OidText(response.varbinds[0].oid);
  return identifier.empty() ? kPrlStatMalformed : kPrlStatOk;
}

// A socket connected to the printer and its question asked: kPrlStatOk or why not.
template <typename Ask>
int Identify(uint32_t address, std::string& identifier, Ask ask) {
  WinsockSession winsock;
  UdpSocket socket;
  if (!socket.IsOpen()) return kPrlStatNoSocket;
  // An address that may not be asked is asked nothing, as a printer that does not answer.
  if (!ConnectToPrinter(socket, Ipv4(address, kSnmpPort))) return kPrlStatNoAnswer;
  snmp::Response answer;
  const Asked asked = ask(socket, answer);
  if (asked == Asked::Refused) return kPrlStatUsmRefused;
  if (asked != Asked::Answered) return kPrlStatNoAnswer;
  return Evaluate(answer, identifier);
}

int IdentifyV1(uint32_t address, const char* community, std::string& identifier) {
  const std::string_view communityText(community, strnlen(community, kMaxCommunity));
  return Identify(address, identifier, [&](UdpSocket& socket, snmp::Response& answer) {
    return AskPrinter(socket, communityText, {kSysObjectId}, kAttemptWaitsMs, nullptr, answer);
  });
}

int IdentifyV3(uint32_t address, const UsmUser& user, std::string& identifier, UsmError& error) {
  UsmEngine engine;
  return Identify(address, identifier, [&](UdpSocket& socket, snmp::Response& answer) {
    return AskPrinter(socket, user, engine, {kSysObjectId}, kAttemptWaitsMs, nullptr, answer, error);
  });
}

}  // namespace

extern "C" int WINAPI QueryPrinterIdentifier(uint32_t address, char* buffer, uint32_t* size, const char* community) {
  if (buffer == nullptr || size == nullptr || *size == 0 || community == nullptr) return kPrlStatBadCall;
  std::string identifier;
  const int result = IdentifyV1(address, community, identifier);
  if (result == kPrlStatOk) CopyText(buffer, *size, identifier);
  return result;
}

extern "C" int WINAPI QueryPrinterIdentifierUsm(uint32_t address, const char* community, const PrlUsmUser* user,
                                                uint32_t flags, PrlStatIdentification* result) {
  UsmUser usmUser;
  if (result == nullptr || result->size < sizeof(PrlStatIdentification) || (community == nullptr && user == nullptr) ||
      (user != nullptr && !ToUsmUser(*user, usmUser)))
    return kPrlStatBadCall;
  result->version = 0;
  result->usmError = 0;
  result->identifier[0] = '\0';
  const bool v3First = (flags & kPrlStatV3First) != 0;
  int outcome = kPrlStatNoAnswer;
  for (int version : {v3First ? 3 : 1, v3First ? 1 : 3}) {
    std::string identifier;
    UsmError error = UsmError::None;
    if (version == 1 && community != nullptr)
      outcome = IdentifyV1(address, community, identifier);
    else if (version == 3 && user != nullptr)
      outcome = IdentifyV3(address, usmUser, identifier, error);
    else
      continue;
    result->usmError = static_cast<int32_t>(error);
    if (outcome == kPrlStatOk || outcome == kPrlStatRefused || outcome == kPrlStatMalformed) {  // the printer answered
      result->version = static_cast<uint32_t>(version);
      CopyText(result->identifier, sizeof result->identifier, identifier);
      return outcome;
    }
  }
  return outcome;
}
