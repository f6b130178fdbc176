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

// A connection that did not end well is reset, not closed: an LPD that reads a streamed
// job until the connection's end would otherwise take what it got of a failed or
// cancelled job for the whole job and print it.
void TcpConnection::Close() {
  if (socket_ == INVALID_SOCKET) return;
  if (!ended_) {
    const linger reset{1, 0};
    setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
  }
  closesocket(socket_);
  socket_ = INVALID_SOCKET;
  ended_ = false;
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
  DWORD left = 0;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) ++left;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  DWORD error = WSAETIMEDOUT;
  for (const addrinfo* address = found; address != nullptr && Remaining(deadline) > 0; address = address->ai_next) {
    error = ConnectTo(*address, Remaining(deadline) / left--, sourcePorts);
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
      error = WaitForConnect(Remaining(deadline));
      if (error == 0) error = PendingError(socket_);
    }
    if (error == 0) return 0;
    if (error != WSAEADDRINUSE && error != WSAEADDRNOTAVAIL && error != WSAEACCES) break;
  }
  Close();
  return error;
}

// A connect that fails shows in select's exception set, which the caller then reads
// from the socket (WSAPoll does not report it on Windows before 10 version 2004).
DWORD TcpConnection::WaitForConnect(DWORD timeoutMs) const {
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket_, &writable);
  FD_SET(socket_, &failed);
  timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000 * 1000)};
  const int rc = select(0, nullptr, &writable, &failed, &limit);
  if (rc == SOCKET_ERROR) return LastSocketError();
  return rc == 0 ? WSAETIMEDOUT : 0;
}

// One poll entry per wait for data to go or come.
DWORD TcpConnection::WaitUntil(bool forWriting, DWORD timeoutMs) const {
  WSAPOLLFD entry{socket_, static_cast<SHORT>(forWriting ? POLLWRNORM : POLLRDNORM), 0};
  int rc = WSAPoll(&entry, 1, static_cast<INT>(timeoutMs));
  if (rc == SOCKET_ERROR) return LastSocketError();
  return rc == 0 ? WSAETIMEDOUT : 0;
}

DWORD TcpConnection::SendWithin(std::span<const uint8_t> bytes, DWORD boundMs, size_t& sent) {
  sent = 0;
  const ULONGLONG deadline = GetTickCount64() + boundMs;
  while (sent < bytes.size()) {
    const int chunk = static_cast<int>(std::min<size_t>(bytes.size() - sent, 1u << 20));
    const int taken = send(socket_, reinterpret_cast<const char*>(bytes.data() + sent), chunk, 0);
    if (taken != SOCKET_ERROR) {
      sent += static_cast<size_t>(taken);
      continue;
    }
    if (DWORD error = LastSocketError(); error != WSAEWOULDBLOCK) return error;
    // A printer that reads a byte now and then does not stretch the bound either.
    if (Remaining(deadline) == 0) return 0;
    if (DWORD error = WaitUntil(true, Remaining(deadline)); error != 0) return error == WSAETIMEDOUT ? 0 : error;
  }
  return 0;
}

DWORD TcpConnection::Send(std::span<const uint8_t> bytes, DWORD timeoutMs) {
  while (!bytes.empty()) {
    const std::span<const uint8_t> piece = bytes.first(std::min(bytes.size(), kSendPiece));
    size_t sent = 0;
    if (DWORD error = SendWithin(piece, timeoutMs, sent); error != 0) return error;
    if (sent < piece.size()) return WSAETIMEDOUT;
    bytes = bytes.subspan(sent);
  }
  return 0;
}

DWORD TcpConnection::Receive(std::span<uint8_t> buffer, size_t& received, DWORD timeoutMs) {
  received = 0;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const int got = recv(socket_, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
    if (got > 0) {
      received = static_cast<size_t>(got);
      return 0;
    }
    if (got == 0) return WSAECONNRESET;
    if (DWORD error = LastSocketError(); error != WSAEWOULDBLOCK) return error;
    if (DWORD error = WaitUntil(false, Remaining(deadline)); error != 0) return error;
  }
}

// The peer has had every byte and did not close within the wait: that is its own affair.
DWORD TcpConnection::PeerKeptOpen(DWORD waited) {
  if (waited != WSAETIMEDOUT) return waited;
  ended_ = true;
  return 0;
}

DWORD TcpConnection::FinishSending(DWORD timeoutMs, std::string* said) {
  if (shutdown(socket_, SD_SEND) != 0) return LastSocketError();
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  char received[512];
  for (;;) {
    const int got = recv(socket_, received, sizeof received, 0);
    if (got == 0) {
      ended_ = true;
      return 0;
    }
    if (got > 0) {
      if (said != nullptr && said->size() < kSaidLimit)
        said->append(received, std::min<size_t>(static_cast<size_t>(got), kSaidLimit - said->size()));
    } else if (DWORD error = LastSocketError(); error != WSAEWOULDBLOCK) {
      return error;
    } else if (DWORD waited = WaitUntil(false, Remaining(deadline)); waited != 0) {
      return PeerKeptOpen(waited);
    }
    // A peer that keeps talking does not keep the caller beyond the bound either.
    if (Remaining(deadline) == 0) return PeerKeptOpen(WSAETIMEDOUT);
  }
}
