#pragma once
// A UDP "printer" on 127.0.0.1:161 that answers each request with datagrams a test
// scripts from the request's id: truncated, garbage, mismatched or well-formed.
#include <winsock2.h>

#include <functional>
#include <thread>
#include <vector>

#include "ber_builder.h"

class HostileResponder {
 public:
  // Wine binds an interface's address as the wildcard tied to that interface, so the
  // responder takes port 161 on all of loopback: it runs while no agent holds it. Its
  // replies leave from 127.0.0.1, the address it is asked at, as the library checks.
  static constexpr char kAddress[] = "127.0.0.1";
  struct Datagram {
    ber::Bytes bytes;
    bool fromOtherPort = false;  // sent from a port other than 161
    DWORD delayMs = 0;           // the responder waits this long before sending it
  };
  using Script = std::function<std::vector<Datagram>(int32_t requestId)>;

  explicit HostileResponder(Script script);
  ~HostileResponder();

 private:
  void Serve();
  Script script_;
  SOCKET socket_ = INVALID_SOCKET;
  SOCKET otherPort_ = INVALID_SOCKET;
  std::thread thread_;
};
