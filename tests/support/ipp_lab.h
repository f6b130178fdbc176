#pragma once
// The lab's IPP printers of the tests (tests/lab/bin/lab-ipp-printer): one on each port of
// the LAN address 127.1.0.60, each with a certificate of its own for the same host name.
#include <winsock2.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "IppClient.h"
#include "UdpSocket.h"

inline constexpr char kIppPrinterAddress[] = "127.1.0.60";
inline constexpr int kIppPrinterPort = 8631;
inline constexpr int kIppOtherCertificatePort = 8632;  // another certificate, the same name

inline std::string IppPrinterUri(const char* scheme, int port = kIppPrinterPort) {
  return std::string(scheme) + "://" + kIppPrinterAddress + ":" + std::to_string(port) + "/ipp/print";
}

// A document that the printer takes (it sees PostScript in its first bytes), then every
// byte value, `size` bytes in all.
inline std::string IppDocument(size_t size) {
  std::string bytes = "%!PS\n";
  for (size_t i = 0; bytes.size() < size; ++i) bytes.push_back(static_cast<char>(i * 7 + i / 256));
  return bytes;
}

// The fingerprint of the certificate that the printer at that port shows.
inline std::string IppFingerprint(int port = kIppPrinterPort) {
  ipp::Request request;
  request.printerUri = IppPrinterUri("ipps", port);
  return PostIpp(request.printerUri, ipp::EncodeRequest(request), "").certificate.fingerprint;
}

// The folder where that printer keeps the documents it received, as Wine sees it.
inline std::string IppPrinterFolder(int port = kIppPrinterPort) {
  const char* lab = std::getenv("PRALO_LAB_DIR");
  return std::string("Z:") + (lab != nullptr ? lab : "") + "/ipp-printer-" + std::to_string(port) + "/spool";
}

// What that printer kept of a job: the file it names after the job's number and, in
// lower case, its name; "(nothing kept)" when none comes.
inline std::string IppKept(int port, int32_t jobId, const std::string& lowerName = "*") {
  const std::string folder = IppPrinterFolder(port);
  WIN32_FIND_DATAA found;
  for (int waited = 0; waited < 100; ++waited, Sleep(50)) {
    HANDLE search = FindFirstFileA((folder + "/" + std::to_string(jobId) + "-" + lowerName + ".ps").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    FindClose(search);
    std::ifstream in(folder + "/" + found.cFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  return "(nothing kept)";
}

// A printer that takes the connection and never answers: a listener on loopback that
// accepts nothing (the system completes the connection into its queue).
class MutePrinter {
 public:
  explicit MutePrinter(int port) : port_(port), socket_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    listening_ = bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(socket_, 4) == 0;
  }
  ~MutePrinter() { closesocket(socket_); }
  MutePrinter(const MutePrinter&) = delete;
  MutePrinter& operator=(const MutePrinter&) = delete;
  bool Listening() const { return listening_; }
  std::string Uri() const { return "ipp://127.0.0.1:" + std::to_string(port_) + "/ipp/print"; }
  SOCKET Listener() const { return socket_; }

 private:
  int port_;
  WinsockSession winsock_;
  SOCKET socket_;
  bool listening_ = false;
};

// A printer that answers every request with the same IPP answer, for what the lab's
// printer cannot say (ippeveprinter is never stopped).
class AnsweringPrinter {
 public:
  AnsweringPrinter(int port, std::vector<uint8_t> answer)
      : listener_(port), answer_(std::move(answer)), thread_([this] { Serve(); }) {}
  ~AnsweringPrinter() {
    stop_ = true;
    thread_.join();
  }
  bool Listening() const { return listener_.Listening(); }
  std::string Uri() const { return listener_.Uri(); }

 private:
  void Serve() {
    while (!stop_) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(listener_.Listener(), &ready);
      timeval wait{0, 100000};
      if (select(0, &ready, nullptr, nullptr, &wait) != 1) continue;
      const SOCKET client = accept(listener_.Listener(), nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      Answer(client);
      closesocket(client);
    }
  }
  // Answers once the request begins, and reads the rest until the asker closes.
  void Answer(SOCKET client) {
    char piece[4096];
    recv(client, piece, sizeof piece, 0);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: " +
                             std::to_string(answer_.size()) + "\r\nConnection: close\r\n\r\n";
    send(client, head.data(), static_cast<int>(head.size()), 0);
    send(client, reinterpret_cast<const char*>(answer_.data()), static_cast<int>(answer_.size()), 0);
    shutdown(client, SD_SEND);
    while (recv(client, piece, sizeof piece, 0) > 0) continue;
  }

  MutePrinter listener_;
  std::vector<uint8_t> answer_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
