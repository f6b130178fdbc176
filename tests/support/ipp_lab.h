#pragma once
// The lab's IPP printers of the tests (tests/lab/bin/lab-ipp-printer): one on each port of
// the LAN address 127.1.0.60, each with a certificate of its own for the same host name.
#include <cstdlib>
#include <string>

inline constexpr char kIppPrinterAddress[] = "127.1.0.60";
inline constexpr int kIppPrinterPort = 8631;
inline constexpr int kIppOtherCertificatePort = 8632;  // another certificate, the same name

inline std::string IppPrinterUri(const char* scheme, int port = kIppPrinterPort) {
  return std::string(scheme) + "://" + kIppPrinterAddress + ":" + std::to_string(port) + "/ipp/print";
}

// The folder where that printer keeps the documents it received, as Wine sees it.
inline std::string IppPrinterFolder(int port = kIppPrinterPort) {
  const char* lab = std::getenv("PRALO_LAB_DIR");
  return std::string("Z:") + (lab != nullptr ? lab : "") + "/ipp-printer-" + std::to_string(port) + "/spool";
}
