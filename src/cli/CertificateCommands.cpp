#include "CertificateCommands.h"

#include <windows.h>

#include <cstdio>

#include "PortKey.h"

void PrintCertificates(const StoredPort& port) {
  if (port.ippCertificateOffered[0] == '\0') return;
  std::printf("Certificate trusted     %s\n", port.ippCertificate);
  std::printf("Certificate offered     %s\n", port.ippCertificateOffered);
  std::printf("The printer's certificate has changed: it prints again once `prlport trust %s` accepts it.\n",
              port.config.portName);
}

int Trust(CommandLine& line) {
  const std::string name = FittingText(line.Take("port name"), sizeof PortConfig::portName, "the port name");
  if (!line.Done()) UsageFailure("unexpected " + line.Take("word"));
  const PortReading reading = ReadStoredPort(name);
  if (reading.error != ERROR_SUCCESS) Refuse("no port \"" + name + "\" of the monitor");
  const StoredPort& port = reading.port;
  if (port.ippCertificateOffered[0] == '\0') Refuse("the port " + name + " has no other certificate to trust");
  if (LONG rc = WritePortCertificates(name, port.ippCertificateOffered, ""); rc != ERROR_SUCCESS)
    SystemFailure("writing the port", static_cast<unsigned long>(rc));
  std::printf("the port %s trusts the certificate %s\n", name.c_str(), port.ippCertificateOffered);
  return kExitOk;
}
