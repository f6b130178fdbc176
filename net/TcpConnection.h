#pragma once
// A TCP connection to a printer. Connecting, sending and waiting for the printer's
// replies each give up after a bounded time, so that no caller's thread waits on a
// silent printer without end. Results are Win32 error codes (0 for success).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "UdpSocket.h"

// Local ports that a connection tries to send from, in turn, before it lets the system
// choose one (LPR's reserved source ports).
struct SourcePorts {
  uint16_t first;
  uint16_t last;
};

class TcpConnection {
 public:
  TcpConnection() = default;
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Resolves the host (a name, IPv4 or IPv6 text) and connects to one of its addresses
  // within timeoutMs in all; each address gets its share of what remains, so that one
  // that swallows the connect leaves time for the others.
  DWORD Connect(const char* host, uint16_t port, DWORD timeoutMs, const SourcePorts* sourcePorts = nullptr);
  // Sends what the peer takes within boundMs and says in `sent` how much that was; a peer
  // that takes less, or nothing, in that time is no error: the caller offers the rest
  // again.
  DWORD SendWithin(std::span<const uint8_t> bytes, DWORD boundMs, size_t& sent);
  // Sends every byte; fails with WSAETIMEDOUT when the peer takes less than kSendPiece
  // bytes in timeoutMs (it stalled, or reads so slowly that it might as well have).
  static constexpr size_t kSendPiece = 64 * 1024;
  DWORD Send(std::span<const uint8_t> bytes, DWORD timeoutMs);
  // Receives up to buffer.size() bytes, at least one; a closed connection is WSAECONNRESET.
  DWORD Receive(std::span<uint8_t> buffer, size_t& received, DWORD timeoutMs);
  // Closes the sending side: every byte is then the system's to deliver. Waits, at most
  // timeoutMs in all, until the peer closes too; a peer that does not is no error, and
  // the connection then closes plainly. A connection that goes without having ended so,
  // or without Delivered(), is reset. The first bytes that the peer sends meanwhile go
  // into `said` when given (up to kSaidLimit); the rest are dropped.
  static constexpr size_t kSaidLimit = 256;
  DWORD FinishSending(DWORD timeoutMs, std::string* said = nullptr);
  // The peer has confirmed the whole exchange: the connection closes plainly, not reset.
  void Delivered() { ended_ = true; }

 private:
  DWORD ConnectTo(const addrinfo& address, DWORD timeoutMs, const SourcePorts* sourcePorts);
  DWORD WaitForConnect(DWORD timeoutMs) const;
  DWORD WaitUntil(bool forWriting, DWORD timeoutMs) const;
  DWORD PeerKeptOpen(DWORD waited);
  void Close();

  WinsockSession winsock_;
  SOCKET socket_ = INVALID_SOCKET;
  bool ended_ = false;  // the exchange ended well: close, do not reset
};
