#pragma once
// A UDP socket for SNMP requests, IPv4 or IPv6: sent to an address, or connected to the
// one printer that a question goes to, and read with a time-out.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <span>
#include <vector>

// An address and port of either family.
struct SocketAddress {
  sockaddr_storage storage{};
  int length = 0;

  int Family() const { return storage.ss_family; }
  const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
  bool operator==(const SocketAddress& other) const;
};

// An IPv4 address and port, both in host order.
SocketAddress Ipv4(uint32_t address, uint16_t port);

class UdpSocket {
 public:
  explicit UdpSocket(int family = AF_INET);
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool IsOpen() const { return socket_ != INVALID_SOCKET; }
  SOCKET Handle() const { return socket_; }
  int Family() const { return family_; }
  // Sends never wait: a datagram that the system cannot take now comes back as
  // WouldBlock, to be sent again later. Nothing goes to an address that is not unicast
  // (AddressClass.h): Failed.
  bool MakeNonBlocking();
  enum class Sent { Yes, WouldBlock, Failed };
  Sent SendTo(uint32_t address, uint16_t port, std::span<const uint8_t> datagram);
  Sent SendTo(const SocketAddress& to, std::span<const uint8_t> datagram);
  // Ties the socket to one printer: the system then takes datagrams from that address
  // and port only, and Send goes there. False for an address that may not be asked.
  bool Connect(const SocketAddress& to);
  Sent Send(std::span<const uint8_t> datagram);
  // Waits up to timeoutMs for a datagram; false on time-out or error. The sender's
  // address (host order) and port come back with it.
  bool Receive(std::vector<uint8_t>& datagram, uint32_t& fromAddress, uint16_t& fromPort, DWORD timeoutMs);
  // Reads a datagram that has come in, without waiting. Failed is a receive that the
  // system refused (a datagram over the size read, an ICMP error reported on the
  // socket): it says nothing of the answer awaited, and what follows may still be read.
  enum class Read { Datagram, Nothing, Failed };
  Read ReadDatagram(std::vector<uint8_t>& datagram, SocketAddress& from);
  // Waits up to timeoutMs for a datagram to read, returning early when `stop` (an event;
  // may be null) is signalled, so that a caller that must end is never held up by the
  // network.
  enum class Wait { Readable, TimedOut, Stopped, Failed };
  Wait WaitReadable(DWORD timeoutMs, HANDLE stop);

 private:
  int family_;
  SOCKET socket_ = INVALID_SOCKET;
};

// An address of either family that a datagram may go to: IPv4 as AddressClass.h says;
// IPv6 neither unspecified nor multicast.
bool MayBeAsked(const SocketAddress& address);

// Keeps Windows Sockets started while it lives.
class WinsockSession {
 public:
  explicit WinsockSession(WORD version = MAKEWORD(2, 2)) { started_ = WSAStartup(version, &data_) == 0; }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool Started() const { return started_; }

 private:
  WSADATA data_{};
  bool started_ = false;
};
