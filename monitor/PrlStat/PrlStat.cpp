// Printer identification over SNMPv1: a GET of sysObjectID.0, answered as dotted text.
//
// Timing: three attempts that wait 250, 500 and 1000 ms for the answer (1.75 s in all),
// each with a fresh random request id, through a socket connected to the printer. A
// printer on the lab's network answers the first one in a few milliseconds. Anything
// else that comes in is dropped while the attempt's time runs (SnmpAsk.h).
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

}  // namespace

extern "C" int WINAPI QueryPrinterIdentifier(uint32_t address, char* buffer, uint32_t* size, const char* community) {
  if (buffer == nullptr || size == nullptr || *size == 0 || community == nullptr) return kPrlStatBadCall;
  WinsockSession winsock;
  UdpSocket socket;
  if (!socket.IsOpen()) return kPrlStatNoSocket;
  // An address that may not be asked is asked nothing, as a printer that does not answer.
  if (!ConnectToPrinter(socket, Ipv4(address, kSnmpPort))) return kPrlStatNoAnswer;
  const std::string_view communityText(community, strnlen(community, kMaxCommunity));
  snmp::Response answer;
  if (AskPrinter(socket, communityText, {kSysObjectId}, kAttemptWaitsMs, nullptr, answer) != Asked::Answered)
    return kPrlStatNoAnswer;
  std::string identifier;
  const int result = Evaluate(answer, identifier);
  if (result == kPrlStatOk) CopyText(buffer, *size, identifier);
  return result;
}
