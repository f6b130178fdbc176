#include "spooler_printer.h"

#include <winspool.h>

#include <algorithm>
#include <vector>

namespace {

const char kLabDriver[] = "Lab Raw Driver";

void InstallLabDriver() {
  DRIVER_INFO_3A driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<char*>(kLabDriver);
  driver.pDriverPath = const_cast<char*>("wineps.drv");
  driver.pDataFile = const_cast<char*>("generic.ppd");
  driver.pConfigFile = const_cast<char*>("wineps.drv");
  AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
}

// As the Add Printer dialog does, the ports are listed before one is chosen; the spooler
// finds the monitor of a port among the ports that the monitors have reported.
void ListPorts() {
  DWORD needed = 0, returned = 0;
  EnumPortsA(nullptr, 1, nullptr, 0, &needed, &returned);
  std::vector<BYTE> buffer(needed + 1);
  EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &returned);
}

}  // namespace

SpoolerPrinter::SpoolerPrinter(const std::string& name, const std::string& port) : name_(name) {
  InstallLabDriver();
  ListPorts();
  PRINTER_INFO_2A info{};
  info.pPrinterName = name_.data();
  info.pPortName = const_cast<char*>(port.c_str());
  info.pDriverName = const_cast<char*>(kLabDriver);
  info.pPrintProcessor = const_cast<char*>("winprint");
  info.pDatatype = const_cast<char*>("RAW");
  printer_ = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
}

SpoolerPrinter::~SpoolerPrinter() {
  if (printer_ == nullptr) return;
  DeletePrinter(printer_);
  ClosePrinter(printer_);
}

DWORD SpoolerPrinter::Print(const std::string& document, const std::string& bytes) const {
  HANDLE printer = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name_.c_str()), &printer, nullptr)) return GetLastError();
  DOC_INFO_1A doc{const_cast<char*>(document.c_str()), nullptr, const_cast<char*>("RAW")};
  DWORD error = 0;
  if (StartDocPrinterA(printer, 1, reinterpret_cast<BYTE*>(&doc)) == 0) {
    error = GetLastError();
  } else {
    // In pieces, as an application writes a large job.
    for (size_t at = 0; at < bytes.size() && error == 0; at += 65536) {
      DWORD piece = static_cast<DWORD>(std::min<size_t>(65536, bytes.size() - at)), written = 0;
      if (!WritePrinter(printer, const_cast<char*>(bytes.data() + at), piece, &written)) error = GetLastError();
    }
    if (!EndDocPrinter(printer) && error == 0) error = GetLastError();
  }
  ClosePrinter(printer);
  return error;
}
