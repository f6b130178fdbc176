#pragma once
// What OpenPort hands the spooler: one port of the monitor and the job it prints. Each
// handle has its own job and connection, so ports print side by side without a lock.
#include <windows.h>

#include <winspool.h>

#include <memory>
#include <span>
#include <string>

#include "PrintJob.h"
#include "Unique.h"

class PortHandle {
 public:
  explicit PortHandle(std::string portName) : portName_(std::move(portName)) {}

  // Reads the port's record afresh, so that a change applies from the next job on, and
  // opens the job to the printer that the record names.
  DWORD StartDoc(const wchar_t* printerName, DWORD jobId, const wchar_t* documentName);
  DWORD Write(std::span<const uint8_t> bytes);
  // Ends the job; once the printer has it all, tells the spooler that it was sent. A job
  // that fails or is deleted, or a handle closed mid-job, resets the connection.
  DWORD EndDoc();

 private:
  DWORD Failed(DWORD error);
  bool Cancelled() const;
  JobDetails DetailsOf(DWORD jobId, const wchar_t* documentName) const;

  std::string portName_;
  Unique<HANDLE, ClosePrinter> printer_;
  DWORD jobId_ = 0;
  std::unique_ptr<PrintJob> job_;
  DWORD failure_ = 0;
};
