#pragma once
// What OpenPort hands the spooler: one port of the monitor and the job it prints. Each
// handle has its own job and connection, so ports print side by side without a lock.
#include <windows.h>

#include <winspool.h>

#include <memory>
#include <span>
#include <string>

#include "JobNews.h"
#include "PrintJob.h"
#include "Unique.h"

class PortHandle {
 public:
  // `shutdown`, the monitor instance's event, ends a wait for a printer once set: the
  // spooler is stopping and the job stays in its queue.
  PortHandle(std::string portName, JobNews& news, std::shared_ptr<const UniqueHandle> shutdown = {})
      : portName_(std::move(portName)), news_(news), shutdown_(std::move(shutdown)) {}
  ~PortHandle();
  PortHandle(const PortHandle&) = delete;
  PortHandle& operator=(const PortHandle&) = delete;

  // Reads the port's record afresh, so that a change applies from the next job on, and
  // opens the job to the printer that the record names.
  DWORD StartDoc(const wchar_t* printerName, DWORD jobId, const wchar_t* documentName);
  // Hands the printer what it takes within one bound; `taken` says how much. A printer
  // that takes less, or nothing, has stalled: the job waits for it, call after call,
  // until it takes data again, the job is deleted or the connection breaks.
  DWORD Write(std::span<const uint8_t> bytes, size_t& taken);
  // Ends the job; once every byte is the printer's, tells the spooler that it was sent.
  // A job that fails or is deleted, or a handle closed mid-job, resets the connection.
  // An IPP job waits here while its printer is stalled or busy.
  DWORD EndDoc();

 private:
  DWORD FinishWhenThePrinterTakesIt();
  // 0 once the pause is over; ERROR_PRINT_CANCELLED when the job was deleted meanwhile,
  // ERROR_SHUTDOWN_IN_PROGRESS when the monitor shuts down.
  DWORD PauseBeforeRetry(DWORD pauseMs);
  DWORD Failed(DWORD error);
  DWORD FailedWith(DWORD message, DWORD error);
  // The job's status text in the queue, where the user sees it.
  void ShowStatus(const std::string& text);
  void Progress(size_t taken, size_t offered);
  void BeginStall();
  void EndStall(bool resumed);
  JobEvent EventOf(const std::string& text, DWORD error) const;
  bool Cancelled() const;
  JobDetails DetailsOf(DWORD jobId, const wchar_t* documentName) const;

  std::string portName_;
  JobNews& news_;
  std::shared_ptr<const UniqueHandle> shutdown_;
  Unique<HANDLE, ClosePrinter> printer_;
  DWORD jobId_ = 0;
  std::string address_;
  std::unique_ptr<PrintJob> job_;
  DWORD failure_ = 0;
  bool shortWrite_ = false;  // the last write took less than it was offered
  bool stalled_ = false;     // told as stalled, not yet as moving again
  size_t takenInStall_ = 0;
  static constexpr size_t kMovingAgainBytes = 1u << 20;
  // The pauses before a stalled or busy printer is offered the job again.
  static constexpr DWORD kFirstRetryPauseMs = 1'000;
  static constexpr DWORD kLongestRetryPauseMs = 30'000;
};
