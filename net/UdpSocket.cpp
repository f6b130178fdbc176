#include "UdpSocket.h"

#include "AddressClass.h"

namespace {
constexpr int kMaxDatagram = 1500;
}

UdpSocket::UdpSocket() : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {}

UdpSocket::~UdpSocket() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

bool UdpSocket::MakeNonBlocking() {
  u_long nonBlocking = 1;
  return ioctlsocket(socket_, FIONBIO, &nonBlocking) == 0;
}

UdpSocket::Sent UdpSocket::SendTo(uint32_t address, uint16_t port, std::span<const uint8_t> datagram) {
  if (!IsUnicastAddress(address)) return Sent::Failed;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  if (sendto(socket_, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to) == static_cast<int>(datagram.size()))
    return Sent::Yes;
  return WSAGetLastError() == WSAEWOULDBLOCK ? Sent::WouldBlock : Sent::Failed;
}

bool UdpSocket::Receive(std::vector<uint8_t>& datagram, uint32_t& fromAddress, uint16_t& fromPort, DWORD timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket_, &readable);
  timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
  if (select(0, &readable, nullptr, nullptr, &wait) != 1) return false;
  datagram.resize(kMaxDatagram);
  sockaddr_in from{};
  int fromLength = sizeof from;
  int received = recvfrom(socket_, reinterpret_cast<char*>(datagram.data()), kMaxDatagram, 0,
                          reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (received < 0) {
    datagram.clear();
    return false;
  }
  datagram.resize(static_cast<size_t>(received));
  fromAddress = ntohl(from.sin_addr.s_addr);
  fromPort = ntohs(from.sin_port);
  return true;
}

UdpSocket::Wait UdpSocket::WaitReadable(DWORD timeoutMs, HANDLE stop) {
  WSAEVENT readable = WSACreateEvent();
  if (readable == WSA_INVALID_EVENT) return Wait::Failed;
  Wait result = Wait::Failed;
  if (WSAEventSelect(socket_, readable, FD_READ) == 0) {
    const HANDLE events[] = {stop, readable};
    switch (WaitForMultipleObjects(2, events, FALSE, timeoutMs)) {
      case WAIT_OBJECT_0: result = Wait::Stopped; break;
      case WAIT_OBJECT_0 + 1: result = Wait::Readable; break;
      case WAIT_TIMEOUT: result = Wait::TimedOut; break;
      default: break;
    }
    WSAEventSelect(socket_, nullptr, 0);
  }
  WSACloseEvent(readable);
  return result;
}
