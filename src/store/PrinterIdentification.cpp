#include "PrinterIdentification.h"

#include <winsock2.h>

#include <cstring>
#include <string>

#include "LibraryEntry.h"
#include "PrlStat.h"
#include "PrlUser.h"
#include "SnmpCredentials.h"
#include "UdpSocket.h"

namespace {

constexpr uint32_t kIdentifierCapacity = 260;

// The address in network order: the dotted text itself, else the name's first address.
bool ResolveAddress(const char* address, unsigned long& networkOrder) {
  networkOrder = inet_addr(address);
  if (networkOrder != INADDR_NONE) return true;
  const hostent* host = gethostbyname(address);
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) return false;
  std::memcpy(&networkOrder, host->h_addr_list[0], sizeof networkOrder);
  return true;
}

// Shows the caller's wait indication while it lives.
class WaitShown {
 public:
  explicit WaitShown(IdentificationWait* wait) : m_wait(wait) {
    if (m_wait != nullptr) m_wait->Begin();
  }
  WaitShown(const WaitShown&) = delete;
  WaitShown& operator=(const WaitShown&) = delete;
  ~WaitShown() {
    if (m_wait != nullptr) m_wait->End();
  }

 private:
  IdentificationWait* m_wait;
};

// Asks with the machine's SNMPv3 profile after the community, or instead of it, as the
// profile says; the ordinal entry alone when there is no profile.
std::optional<PrinterIdentity> AskIdentity(unsigned long hostOrder, const char* community) {
  const std::optional<SnmpProfile> profile = ReadSnmpProfile();
  if (!profile) {
    char text[kIdentifierCapacity] = {};
    uint32_t size = kIdentifierCapacity;
    std::string communityCopy(community);
    if (QueryPrinterIdentifier(hostOrder, text, &size, communityCopy.c_str()) != 0) return std::nullopt;
    return PrinterIdentity{std::string(text, strnlen(text, kIdentifierCapacity)), 1};
  }
  const auto query = LibraryEntry<decltype(&QueryPrinterIdentifierUsm)>(
      "PrlStat.dll", PRALO_EXPORT_NAME("QueryPrinterIdentifierUsm", 20));
  if (query == nullptr) return std::nullopt;
  const PrlUser user(profile->user);
  PrlStatIdentification found{sizeof found, 0, 0, {}};
  const bool instead = profile->use == ProfileUse::InsteadOfCommunity;
  if (query(hostOrder, instead ? nullptr : community, user.get(), 0, &found) != kPrlStatOk) return std::nullopt;
  return PrinterIdentity{std::string(found.identifier, strnlen(found.identifier, sizeof found.identifier)),
                         found.version};
}

}  // namespace

std::optional<PrinterIdentity> QueryPrinterIdentity(const char* address, const char* community,
                                                    IdentificationWait* wait) {
  WinsockSession winsock(MAKEWORD(1, 1));
  unsigned long networkOrder = 0;
  if (!winsock.Started() || !ResolveAddress(address, networkOrder)) return std::nullopt;
  WaitShown shown(wait);
  return AskIdentity(htonl(networkOrder), community);
}

int IdentifyPrinter(const char* address, const char* community, const ModelCatalogue& catalogue,
                    IdentificationWait* wait, uint32_t* version) {
  const std::optional<PrinterIdentity> identity = QueryPrinterIdentity(address, community, wait);
  if (version != nullptr) *version = identity ? identity->version : 0;
  return identity ? FindModelByIdentifier(catalogue, identity->identifier.c_str()) : 0;
}
