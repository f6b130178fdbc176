#include "PortHandle.h"

#include <algorithm>
#include <vector>

#include "AnsiText.h"
#include "PortKey.h"
#include "PraloLprMessages.h"
#include "SystemErrorText.h"
#include "TextField.h"

namespace {

// A record that names no printer, or a raw port that TCP does not have, prints nowhere.
// A raw port number 0, which the wizard stores for a printer it could not identify,
// prints to the raw default.
DWORD RecordFault(const PortConfig& config) {
  if (config.deviceIP[0] == '\0') return WSAHOST_NOT_FOUND;
  if (config.protocol == kProtocolRaw && config.rawPortNumber > 65535) return ERROR_INVALID_PARAMETER;
  return 0;
}

bool NameNotFound(DWORD error) { return error == WSAHOST_NOT_FOUND || error == WSANO_DATA || error == WSATRY_AGAIN; }

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
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

PortHandle::~PortHandle() { EndStall(false); }

DWORD PortHandle::StartDoc(const wchar_t* printerName, DWORD jobId, const wchar_t* documentName) {
  job_.reset();
  failure_ = 0;
  shortWrite_ = false;
  jobId_ = jobId;
  address_.clear();
  HANDLE printer = nullptr;
  printer_.reset(printerName != nullptr && OpenPrinterW(const_cast<wchar_t*>(printerName), &printer, nullptr) ? printer
                                                                                                           : nullptr);
  const PortReading reading = ReadStoredPort(portName_);
  if (reading.error != ERROR_SUCCESS) return FailedWith(MSG_RECORD_UNREADABLE, static_cast<DWORD>(reading.error));
  const PortConfig& config = reading.port.config;
  address_ = TextOf(config.deviceIP, sizeof config.deviceIP);
  if (DWORD fault = RecordFault(config); fault != 0) return Failed(fault);
  job_ = MakePrintJob(reading.port, DetailsOf(jobId, documentName), [this] { return Cancelled(); });
  return Failed(job_->Start());
}

// The spooler judges a write by its result, not by the count: TRUE with fewer bytes, or
// none, is no failure, and it calls again with the rest. So a printer out of paper costs
// nothing but time, however long it stays so. A job deleted meanwhile is seen here, after
// at most one bound, and its connection reset.
DWORD PortHandle::Write(std::span<const uint8_t> bytes, size_t& taken) {
  taken = 0;
  if (failure_ != 0) return failure_;
  if (!job_) return ERROR_INVALID_HANDLE;
  if (stalled_ && Cancelled()) {
    job_.reset();
    EndStall(false);
    return failure_ = ERROR_PRINT_CANCELLED;
  }
  if (DWORD error = job_->Write(bytes, taken); error != 0) return Failed(error);
  Progress(taken, bytes.size());
  return 0;
}

// Tells of a stall once when it begins and once when data moves again. While a printer
// takes nothing, the system's buffers may still take a few kilobytes now and then: a
// stall is over once the printer has taken a good deal more than that.
void PortHandle::Progress(size_t taken, size_t offered) {
  shortWrite_ = taken < offered;
  if (!stalled_) {
    if (shortWrite_) BeginStall();
    return;
  }
  takenInStall_ += taken;
  if (!shortWrite_ && takenInStall_ >= kMovingAgainBytes) EndStall(true);
}

void PortHandle::BeginStall() {
  if (stalled_) return;
  stalled_ = true;
  takenInStall_ = 0;
  news_.PrinterStalled(EventOf("", 0));
}

// A job that ends while its printer is stalled leaves the port's status clear.
void PortHandle::EndStall(bool resumed) {
  if (!stalled_) return;
  stalled_ = false;
  news_.StallEnded(EventOf("", 0), resumed);
}

JobEvent PortHandle::EventOf(const std::string& text, DWORD error) const {
  return JobEvent{portName_, jobId_, address_, text, error};
}

// A job that the user deleted while it printed is not finished: its connection is reset
// (an LPD then drops it) and it is not reported sent.
bool PortHandle::Cancelled() const {
  const std::vector<BYTE> job = JobInfo(printer_.get(), jobId_);
  constexpr DWORD kEnded = JOB_STATUS_DELETING | JOB_STATUS_DELETED;
  return !job.empty() && (reinterpret_cast<const JOB_INFO_1W*>(job.data())->Status & kEnded) != 0;
}

// A job that ends while its printer is stalled was given up by the spooler (a user's
// delete, or a spooler that does not wait): the bytes not taken never reach the printer,
// so the job is not sent.
DWORD PortHandle::EndDoc() {
  DWORD error = failure_ != 0 ? failure_ : job_ ? 0 : ERROR_INVALID_HANDLE;
  const bool cancelled = error == 0 && Cancelled();
  if (error == 0 && !cancelled && shortWrite_) error = FailedWith(MSG_JOB_ABANDONED, ERROR_PRINT_CANCELLED);
  if (error == 0 && !cancelled) {
    error = FinishWhenThePrinterTakesIt();
    if (error == 0 && !job_->Outcome().empty()) ShowStatus(job_->Outcome());
    if (error == 0 && !job_->Abort().empty()) news_.JobFailed(MSG_PRINTER_ABORTED, EventOf(job_->Abort(), 0));
    if (error == 0 && printer_) SetJobW(printer_.get(), jobId_, 0, nullptr, JOB_CONTROL_SENT_TO_PRINTER);
  }
  EndStall(error == 0 && !cancelled);
  job_.reset();
  printer_.reset();
  return error;
}

// A job that reaches its printer only when it ends (IPP) meets a stalled or busy printer
// here, and waits for it in EndDocPort. Its writes went to the kept copy and returned at
// once, so there is no later WritePort that could return with 0 and be called again: the
// spooler calls EndDocPort once, on the job's own thread, and holds the job until it
// returns. Returning early would end the job in the queue (sent, or failed and printed
// again from the start when restarted) while the printer has nothing of it. The stall is
// told as a raw printer's, the port shows offline, and the job is offered again after a
// pause that grows to a bound, until the printer takes it, the user deletes it (seen
// within a quarter second of a pause: nothing more is sent, and it is no failure), or the
// monitor shuts down (the job stays queued, for the spooler to print when it starts again).
DWORD PortHandle::FinishWhenThePrinterTakesIt() {
  for (DWORD pause = kFirstRetryPauseMs;; pause = std::min(2 * pause, kLongestRetryPauseMs)) {
    const DWORD error = job_->Finish();
    if (error == ERROR_PRINT_CANCELLED) return failure_ = error;
    if (error != ERROR_RETRY) return Failed(error);
    BeginStall();
    if (const DWORD ended = PauseBeforeRetry(pause); ended != 0) return failure_ = ended;
  }
}

DWORD PortHandle::PauseBeforeRetry(DWORD pauseMs) {
  constexpr DWORD kLookMs = 250;
  for (DWORD waited = 0;; waited += kLookMs) {
    if (Cancelled()) return ERROR_PRINT_CANCELLED;
    if (waited >= pauseMs) return 0;
    if (!shutdown_ || !*shutdown_) Sleep(kLookMs);
    else if (WaitForSingleObject(shutdown_->get(), kLookMs) != WAIT_TIMEOUT) return ERROR_SHUTDOWN_IN_PROGRESS;
  }
}

DWORD PortHandle::Failed(DWORD error) {
  if (error == 0) return 0;
  if (NameNotFound(error)) return FailedWith(MSG_HOST_NOT_FOUND, error);
  if (job_ && !job_->CertificateChange().empty()) return FailedWith(MSG_CERTIFICATE_CHANGED, error);
  return FailedWith(job_ && !job_->Refusal().empty() ? MSG_PRINTER_REFUSED : MSG_JOB_FAILED, error);
}

// A failed job is never reported as sent, and the later calls of the job report the same
// failure; the Event Log hears of it once. What the printer said, if anything, becomes
// the job's status text, where the user sees it in the queue.
DWORD PortHandle::FailedWith(DWORD message, DWORD error) {
  if (failure_ != 0) return failure_;
  failure_ = error;
  const std::string refusal = job_ ? job_->Refusal() : std::string();
  const std::string change = job_ ? job_->CertificateChange() : std::string();
  const std::string said = !refusal.empty() ? refusal : change;
  news_.JobFailed(message, EventOf(said.empty() ? Trimmed(SystemErrorText(error)) : said, error));
  if (!refusal.empty()) ShowStatus("Refused by the printer: " + refusal);
  if (!change.empty())
    ShowStatus("The printer's certificate has changed: \"prlport trust " + portName_ + "\" accepts the new one");
  return error;
}

void PortHandle::ShowStatus(const std::string& text) {
  std::wstring wide = WideText(text);
  if (std::vector<BYTE> buffer = JobInfo(printer_.get(), jobId_); !buffer.empty()) {
    auto* info = reinterpret_cast<JOB_INFO_1W*>(buffer.data());
    info->pStatus = wide.data();
    info->Position = JOB_POSITION_UNSPECIFIED;
    SetJobW(printer_.get(), jobId_, 1, reinterpret_cast<BYTE*>(info), 0);
  }
}
