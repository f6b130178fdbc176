#include "TcpConnection.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

namespace {

DWORD LastSocketError() { return static_cast<DWORD>(WSAGetLastError()); }

DWORD Remaining(ULONGLONG deadline) {
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// Where the next connection starts in its range of source ports, so that the ports
// that the last connections left waiting (TIME_WAIT) come last.
std::atomic<unsigned> nextSourcePort{0};

bool BindTo(SOCKET socket, int family, uint16_t port) {
  sockaddr_storage local{};
  int length = 0;
  if (family == AF_INET6) {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(local);
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(port);
    length = sizeof in6;
  } else {
    auto& in = reinterpret_cast<sockaddr_in&>(local);
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    length = sizeof in;
  }
  return bind(socket, reinterpret_cast<const sockaddr*>(&local), length) == 0;
}

DWORD PendingError(SOCKET socket) {
  int error = 0;
  int length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) return LastSocketError();
  return static_cast<DWORD>(error);
}

}  // namespace

TcpConnection::~TcpConnection() { Close(); }

void TcpConnection::Close() {
  if (socket_ == INVALID_SOCKET) return;
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

DWORD TcpConnection::Connect(const char* host, uint16_t port, DWORD timeoutMs, const SourcePorts* sourcePorts) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (int rc = getaddrinfo(host, std::to_string(port).c_str(), &hints, &found); rc != 0) return static_cast<DWORD>(rc);
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  DWORD error = WSAETIMEDOUT;
  for (const addrinfo* address = found; address != nullptr && Remaining(deadline) > 0; address = address->ai_next) {
    error = ConnectTo(*address, Remaining(deadline), sourcePorts);
    if (error == 0) return 0;
  }
  return error;
}

// Each source port of the range in turn, then one that the system picks: only a port
// that is taken, or that this account may not use, is worth another try.
DWORD TcpConnection::ConnectTo(const addrinfo& address, DWORD timeoutMs, const SourcePorts* sourcePorts) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  const unsigned reserved = sourcePorts != nullptr ? sourcePorts->last - sourcePorts->first + 1u : 0u;
  const unsigned start = reserved != 0 ? nextSourcePort++ % reserved : 0u;
  DWORD error = WSAETIMEDOUT;
  for (unsigned attempt = 0; attempt <= reserved; ++attempt) {
    Close();
    socket_ = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket_ == INVALID_SOCKET) return LastSocketError();
    if (attempt < reserved &&
        !BindTo(socket_, address.ai_family, static_cast<uint16_t>(sourcePorts->first + (start + attempt) % reserved)))
      continue;
    u_long nonBlocking = 1;
    BOOL noDelay = TRUE;
    ioctlsocket(socket_, FIONBIO, &nonBlocking);
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    error = connect(socket_, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0 ? 0 : LastSocketError();
    if (error == WSAEWOULDBLOCK) {
      error = WaitUntil(true, Remaining(deadline));
      if (error == 0) error = PendingError(socket_);
    }
    if (error == 0) return 0;
    if (error != WSAEADDRINUSE && error != WSAEADDRNOTAVAIL && error != WSAEACCES) break;
  }
  Close();
  return error;
}

// One poll entry per wait: a connect that fails shows as an error or a hang-up, which
// the caller then reads from the socket.
DWORD TcpConnection::WaitUntil(bool forWriting, DWORD timeoutMs) const {
  WSAPOLLFD entry{socket_, static_cast<SHORT>(forWriting ? POLLWRNORM : POLLRDNORM), 0};
  int rc = WSAPoll(&entry, 1, static_cast<INT>(timeoutMs));
  if (rc == SOCKET_ERROR) return LastSocketError();
  return rc == 0 ? WSAETIMEDOUT : 0;
}

DWORD TcpConnection::Send(std::span<const uint8_t> bytes, DWORD stallMs) {
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<size_t>(bytes.size(), 1u << 20));
    const int sent = send(socket_, reinterpret_cast<const char*>(bytes.data()), chunk, 0);
    if (sent != SOCKET_ERROR) {
      bytes = bytes.subspan(static_cast<size_t>(sent));
      continue;
    }
    if (DWORD error = LastSocketError(); error != WSAEWOULDBLOCK) return error;
    if (DWORD error = WaitUntil(true, stallMs); error != 0) return error;
  }
  return 0;
}

DWORD TcpConnection::Receive(std::span<uint8_t> buffer, size_t& received, DWORD timeoutMs) {
  received = 0;
  for (;;) {
    const int got = recv(socket_, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
    if (got > 0) {
      received = static_cast<size_t>(got);
      return 0;
    }
    if (got == 0) return WSAECONNRESET;
    if (DWORD error = LastSocketError(); error != WSAEWOULDBLOCK) return error;
    if (DWORD error = WaitUntil(false, timeoutMs); error != 0) return error;
  }
}

DWORD TcpConnection::FinishSending(DWORD timeoutMs) {
  if (shutdown(socket_, SD_SEND) != 0) return LastSocketError();
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  uint8_t dropped[512];
  for (;;) {
    const int got = recv(socket_, reinterpret_cast<char*>(dropped), sizeof dropped, 0);
    if (got == 0) return 0;
    if (got > 0) continue;
    if (DWORD error = LastSocketError(); error != WSAEWOULDBLOCK) return error;
    if (DWORD error = WaitUntil(false, Remaining(deadline)); error != 0) return error;
  }
}
