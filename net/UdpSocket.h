#pragma once
// A UDP socket for SNMP requests: send to an IPv4 address (host order) and wait for
// datagrams with a time-out.
#include <winsock2.h>

#include <cstdint>
#include <span>
#include <vector>

class UdpSocket {
 public:
  UdpSocket();
  ~UdpSocket();
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool IsOpen() const { return socket_ != INVALID_SOCKET; }
  SOCKET Handle() const { return socket_; }
  // Sends never wait: a datagram that the system cannot take now comes back as
  // WouldBlock, to be sent again later. Nothing goes to an address that is not unicast
  // (AddressClass.h): Failed.
  bool MakeNonBlocking();
  enum class Sent { Yes, WouldBlock, Failed };
  Sent SendTo(uint32_t address, uint16_t port, std::span<const uint8_t> datagram);
  // Waits up to timeoutMs for a datagram; false on time-out or error. The sender's
  // address (host order) and port come back with it.
  bool Receive(std::vector<uint8_t>& datagram, uint32_t& fromAddress, uint16_t& fromPort, DWORD timeoutMs);
  // Waits up to timeoutMs for a datagram to read, returning early when `stop` (an event)
  // is signalled, so that a caller that must end is never held up by the network.
  enum class Wait { Readable, TimedOut, Stopped, Failed };
  Wait WaitReadable(DWORD timeoutMs, HANDLE stop);

 private:
  SOCKET socket_ = INVALID_SOCKET;
};

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
