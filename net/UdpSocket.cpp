#include "UdpSocket.h"

#include <cstring>

#include "AddressClass.h"

SocketAddress Ipv4(uint32_t address, uint16_t port) {
  SocketAddress to;
  auto* in = reinterpret_cast<sockaddr_in*>(&to.storage);
  in->sin_family = AF_INET;
  in->sin_port = htons(port);
  in->sin_addr.s_addr = htonl(address);
  to.length = sizeof(sockaddr_in);
  return to;
}

namespace {
constexpr int kMaxDatagram = 1500;


UdpSocket::Sent SendResult(int sent, size_t size) {
  if (sent == static_cast<int>(size)) return UdpSocket::Sent::Yes;
  return WSAGetLastError() == WSAEWOULDBLOCK ? UdpSocket::Sent::WouldBlock : UdpSocket::Sent::Failed;
}
}  // namespace

bool SocketAddress::operator==(const SocketAddress& other) const {
  if (Family() != other.Family()) return false;
  if (Family() == AF_INET) {
    const auto& a = reinterpret_cast<const sockaddr_in&>(storage);
    const auto& b = reinterpret_cast<const sockaddr_in&>(other.storage);
    return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
  }
  if (Family() == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(storage);
    const auto& b = reinterpret_cast<const sockaddr_in6&>(other.storage);
    return a.sin6_port == b.sin6_port && memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0;
  }
  return false;
}

bool MayBeAsked(const SocketAddress& address) {
  if (address.Family() == AF_INET)
    return IsUnicastAddress(ntohl(reinterpret_cast<const sockaddr_in&>(address.storage).sin_addr.s_addr));
  if (address.Family() != AF_INET6) return false;
  const IN6_ADDR& in6 = reinterpret_cast<const sockaddr_in6&>(address.storage).sin6_addr;
  return !IN6_IS_ADDR_UNSPECIFIED(&in6) && !IN6_IS_ADDR_MULTICAST(&in6);
}

UdpSocket::UdpSocket(int family) : family_(family), socket_(socket(family, SOCK_DGRAM, IPPROTO_UDP)) {}

UdpSocket::~UdpSocket() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool UdpSocket::MakeNonBlocking() {
  u_long nonBlocking = 1;
  return ioctlsocket(socket_, FIONBIO, &nonBlocking) == 0;
}

UdpSocket::Sent UdpSocket::SendTo(uint32_t address, uint16_t port, std::span<const uint8_t> datagram) {
  return SendTo(Ipv4(address, port), datagram);
}

UdpSocket::Sent UdpSocket::SendTo(const SocketAddress& to, std::span<const uint8_t> datagram) {
  if (!MayBeAsked(to)) return Sent::Failed;
  return SendResult(sendto(socket_, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()),
                           0, to.Get(), to.length),
                    datagram.size());
}

bool UdpSocket::Connect(const SocketAddress& to) { return MayBeAsked(to) && connect(socket_, to.Get(), to.length) == 0; }

UdpSocket::Sent UdpSocket::Send(std::span<const uint8_t> datagram) {
  return SendResult(send(socket_, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()), 0),
                    datagram.size());
}

bool UdpSocket::Receive(std::vector<uint8_t>& datagram, uint32_t& fromAddress, uint16_t& fromPort, DWORD timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
  if (select(0, &readable, nullptr, nullptr, &wait) != 1) return false;
  SocketAddress from;
  if (ReadDatagram(datagram, from) != Read::Datagram || from.Family() != AF_INET) return false;
  const auto& in = reinterpret_cast<const sockaddr_in&>(from.storage);
  fromAddress = ntohl(in.sin_addr.s_addr);
  fromPort = ntohs(in.sin_port);
  return true;
}

UdpSocket::Read UdpSocket::ReadDatagram(std::vector<uint8_t>& datagram, SocketAddress& from) {
  datagram.resize(kMaxDatagram);
  from.length = sizeof from.storage;
  const int received = recvfrom(socket_, reinterpret_cast<char*>(datagram.data()), kMaxDatagram, 0,
                                reinterpret_cast<sockaddr*>(&from.storage), &from.length);
  if (received >= 0) {
    datagram.resize(static_cast<size_t>(received));
    return Read::Datagram;
  }
  datagram.clear();
  return WSAGetLastError() == WSAEWOULDBLOCK ? Read::Nothing : Read::Failed;
}

UdpSocket::Wait UdpSocket::WaitReadable(DWORD timeoutMs, HANDLE stop) {
  WSAEVENT readable = WSACreateEvent();
  if (readable == WSA_INVALID_EVENT) return Wait::Failed;
  Wait result = Wait::Failed;
  if (WSAEventSelect(socket_, readable, FD_READ) == 0) {
    // The stop comes first, so that it wins over a datagram that came in meanwhile.
    const HANDLE events[] = {stop, readable};
    const DWORD woken = stop != nullptr ? WaitForMultipleObjects(2, events, FALSE, timeoutMs)
                                        : WaitForSingleObject(readable, timeoutMs);
    if (woken == WAIT_TIMEOUT)
      result = Wait::TimedOut;
    else if (woken == WAIT_OBJECT_0)
      result = stop != nullptr ? Wait::Stopped : Wait::Readable;
    else if (woken == WAIT_OBJECT_0 + 1)
      result = Wait::Readable;
    WSAEventSelect(socket_, nullptr, 0);
  }
  WSACloseEvent(readable);
  return result;
}
