#include "hostile_responder.h"

#include <gtest/gtest.h>

#include "Snmp.h"

namespace {

SOCKET BoundSocket(uint16_t port) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = inet_addr(HostileResponder::kAddress);
  EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << "bind: " << WSAGetLastError();
  return s;
}

}  // namespace

HostileResponder::HostileResponder(Script script) : script_(std::move(script)) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  socket_ = BoundSocket(161);
  otherPort_ = BoundSocket(1161);
  thread_ = std::thread([this] { Serve(); });
}

HostileResponder::~HostileResponder() {
  closesocket(socket_);  // ends recvfrom in the server thread
  closesocket(otherPort_);
  thread_.join();
  WSACleanup();
}

void HostileResponder::Serve() {
  for (;;) {
    char buffer[1500];
    sockaddr_in from{};
    int fromLength = sizeof from;
    int received = recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received <= 0) return;
    // Requests decode like responses but for their PDU tag: read the id directly.
    ber::Bytes request(buffer, buffer + received);
    int32_t requestId = 0;
    for (size_t i = 0; i + 2 < request.size(); ++i) {
      if (request[i] == 0xA0) {  // GetRequest PDU; its first element is the request id
        size_t at = i + 2 + ((request[i + 1] & 0x80) ? (request[i + 1] & 0x7F) : 0);
        if (at + 2 < request.size() && request[at] == 0x02) {
          for (size_t b = 0; b < request[at + 1]; ++b) requestId = (requestId << 8) | request[at + 2 + b];
        }
        break;
      }
    }
    for (const Datagram& reply : script_(requestId)) {
      Sleep(reply.delayMs);
      sendto(reply.fromOtherPort ? otherPort_ : socket_, reinterpret_cast<const char*>(reply.bytes.data()),
             static_cast<int>(reply.bytes.size()), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
  }
}
