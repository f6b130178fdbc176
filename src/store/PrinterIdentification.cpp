#include "PrinterIdentification.h"

#include <winsock2.h>

#include <cstring>
#include <string>

#include "PrlStat.h"
#include "WaitCursor.h"

namespace {

constexpr uint32_t kIdentifierCapacity = 260;

// Windows Sockets 1.1 for as long as it lives.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    m_started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  ~WinsockSession() {
    if (m_started) WSACleanup();
  }
  bool Started() const { return m_started; }

 private:
  bool m_started;
};

// The address in network order: the dotted text itself, else the name's first address.
bool ResolveAddress(const char* address, unsigned long& networkOrder) {
  networkOrder = inet_addr(address);
  if (networkOrder != INADDR_NONE) return true;
  const hostent* host = gethostbyname(address);
  if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) return false;
  std::memcpy(&networkOrder, host->h_addr_list[0], sizeof networkOrder);
  return true;
}

}  // namespace

bool QueryPrinterIdentifierText(const char* address, const char* community, std::string& identifier) {
  WinsockSession winsock;
  unsigned long networkOrder = 0;
  if (!winsock.Started() || !ResolveAddress(address, networkOrder)) return false;
  CWaitCursor wait;
  char text[kIdentifierCapacity] = {};
  uint32_t size = kIdentifierCapacity;
  std::string communityCopy(community);
  if (QueryPrinterIdentifier(htonl(networkOrder), text, &size, communityCopy.c_str()) != 0) return false;
  identifier.assign(text, strnlen(text, kIdentifierCapacity));
  return true;
}

int IdentifyPrinter(const char* address, const char* community, const ModelCatalogue& catalogue) {
  std::string identifier;
  if (!QueryPrinterIdentifierText(address, community, identifier)) return 0;
  return FindModelByIdentifier(catalogue, identifier.c_str());
}
