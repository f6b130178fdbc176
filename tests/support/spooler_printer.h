#pragma once
// A printer of the spooler made as a user makes one under Wine without CUPS: the lab's
// driver, then AddPrinterA on a port. Jobs printed to it go through the spooler to the
// port's monitor. The printer is deleted when the object goes.
#include <windows.h>

#include <string>

class SpoolerPrinter {
 public:
  SpoolerPrinter(const std::string& name, const std::string& port);
  ~SpoolerPrinter();
  SpoolerPrinter(const SpoolerPrinter&) = delete;
  SpoolerPrinter& operator=(const SpoolerPrinter&) = delete;

  bool Added() const { return printer_ != nullptr; }
  // Prints a RAW job as an application does (StartDocPrinter ... EndDocPrinter). Returns
  // 0 when EndDocPrinter succeeded, else the error that the spooler reported.
  DWORD Print(const std::string& document, const std::string& bytes) const;

 private:
  std::string name_;
  HANDLE printer_ = nullptr;
};
