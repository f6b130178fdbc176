#include "PortHandle.h"

#include <vector>

#include "AnsiText.h"
#include "PortKey.h"

namespace {

// A record that names no printer, or a raw port that TCP does not have, prints nowhere.
DWORD RecordFault(const PortConfig& config) {
  if (config.deviceIP[0] == '\0') return WSAHOST_NOT_FOUND;
  if (config.protocol == kProtocolRaw && (config.rawPortNumber == 0 || config.rawPortNumber > 65535))
    return ERROR_INVALID_PARAMETER;
  return 0;
}

// The job's JOB_INFO_1W in a buffer of its own; empty when the spooler has none.
std::vector<BYTE> JobInfo(HANDLE printer, DWORD jobId) {
  DWORD needed = 0;
  if (printer != nullptr) GetJobW(printer, jobId, 1, nullptr, 0, &needed);
  std::vector<BYTE> info(needed);
  if (needed == 0 || !GetJobW(printer, jobId, 1, info.data(), needed, &needed)) info.clear();
  return info;
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

}  // namespace

JobDetails PortHandle::DetailsOf(DWORD jobId, const wchar_t* documentName) const {
  JobDetails details{ComputerName(), {}, AnsiText(documentName)};
  if (std::vector<BYTE> job = JobInfo(printer_.get(), jobId); !job.empty()) {
    const auto* info = reinterpret_cast<const JOB_INFO_1W*>(job.data());
    details.user = AnsiText(info->pUserName);
    if (details.document.empty()) details.document = AnsiText(info->pDocument);
  }
  if (details.user.empty()) {
    char user[257];
    DWORD size = sizeof user;
    if (GetUserNameA(user, &size)) details.user = user;
  }
  return details;
}

DWORD PortHandle::StartDoc(const wchar_t* printerName, DWORD jobId, const wchar_t* documentName) {
  job_.reset();
  failure_ = 0;
  jobId_ = jobId;
  HANDLE printer = nullptr;
  printer_.reset(printerName != nullptr && OpenPrinterW(const_cast<wchar_t*>(printerName), &printer, nullptr) ? printer
                                                                                                           : nullptr);
  const PortReading reading = ReadStoredPort(portName_);
  if (reading.error != ERROR_SUCCESS) return Failed(static_cast<DWORD>(reading.error));
  const PortConfig& config = reading.port.config;
  if (DWORD fault = RecordFault(config); fault != 0) return Failed(fault);
  job_ = MakePrintJob(config, DetailsOf(jobId, documentName));
  return Failed(job_->Start());
}

DWORD PortHandle::Write(std::span<const uint8_t> bytes) {
  if (failure_ != 0) return failure_;
  return job_ ? Failed(job_->Write(bytes)) : ERROR_INVALID_HANDLE;
}

// A job that the user deleted while it printed is not finished: its connection is reset
// (an LPD then drops it) and it is not reported sent.
bool PortHandle::Cancelled() const {
  const std::vector<BYTE> job = JobInfo(printer_.get(), jobId_);
  constexpr DWORD kEnded = JOB_STATUS_DELETING | JOB_STATUS_DELETED;
  return !job.empty() && (reinterpret_cast<const JOB_INFO_1W*>(job.data())->Status & kEnded) != 0;
}

DWORD PortHandle::EndDoc() {
  DWORD error = failure_ != 0 ? failure_ : job_ ? 0 : ERROR_INVALID_HANDLE;
  if (error == 0 && !Cancelled()) {
    error = Failed(job_->Finish());
    if (error == 0 && printer_) SetJobW(printer_.get(), jobId_, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
  }
  job_.reset();
  printer_.reset();
  return error;
}

// A failed job is never reported as sent, and the later calls of the job report the same
// failure; what the printer said, if anything, becomes the job's status text, where the
// user sees it in the queue.
DWORD PortHandle::Failed(DWORD error) {
  if (error == 0) return 0;
  failure_ = error;
  if (job_ && !job_->Refusal().empty()) {
    std::wstring wide = WideText("Refused by the printer: " + job_->Refusal());
    if (std::vector<BYTE> buffer = JobInfo(printer_.get(), jobId_); !buffer.empty()) {
      auto* info = reinterpret_cast<JOB_INFO_1W*>(buffer.data());
      info->pStatus = wide.data();
      info->Position = JOB_POSITION_UNSPECIFIED;
      SetJobW(printer_.get(), jobId_, 1, reinterpret_cast<BYTE*>(info), 0);
    }
  }
  return error;
}
