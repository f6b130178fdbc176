#include "IppJob.h"

#include <algorithm>
#include <cstdio>

#include "AdminOnly.h"
#include "PortKey.h"
#include "TextField.h"

namespace {

// job-state (RFC 8011 5.3.7): the three ends of a job.
constexpr int32_t kJobCanceled = 7;
constexpr int32_t kJobAborted = 8;
constexpr int32_t kJobCompleted = 9;
// A printer that prints at once answers the first questions; one that takes its time is
// asked less often.
constexpr DWORD kFirstFollowIntervalMs = 20;
constexpr DWORD kLongestFollowIntervalMs = 500;

IppTimeouts Timeouts() {
  IppTimeouts timeouts;
  timeouts.connectMs = static_cast<int>(kConnectTimeoutMs);
  timeouts.receiveMs = static_cast<int>(kAnswerTimeoutMs);
  return timeouts;
}

// What a printer says, as a job's status and an event show it: one line of printable text.
constexpr size_t kLongestSaying = 255;

// The pin stored for the port now: an administrator may have trusted another certificate
// since the job began.
std::string StoredPin(const std::string& portName) {
  const StoredPort port = ReadStoredPort(portName).port;
  return std::string(TextOf(port.ippCertificate, sizeof port.ippCertificate));
}

DWORD ConnectionError(DWORD error) {
  return error == ERROR_WINHTTP_NAME_NOT_RESOLVED ? static_cast<DWORD>(WSAHOST_NOT_FOUND) : error;
}

// The printer's words on a job that ended: its job-state-message, else its reasons.
std::string EndedSaying(const ipp::Response& response) {
  if (const ipp::Attribute* message = response.Find(ipp::Tag::JobAttributes, "job-state-message");
      message != nullptr && message->Text().find_first_not_of(' ') != std::string::npos)
    return message->Text().substr(message->Text().find_first_not_of(' '));
  std::string reasons;
  if (const ipp::Attribute* said = response.Find(ipp::Tag::JobAttributes, "job-state-reasons"))
    for (const std::string& reason : said->Texts()) reasons += (reasons.empty() ? "" : ", ") + reason;
  return reasons;
}

}  // namespace

IppJob::IppJob(const StoredPort& port, JobDetails details, std::function<bool()> deleted)
    : portName_(TextOf(port.config.portName, sizeof port.config.portName)),
      uri_(TextOf(port.config.ippUri, sizeof port.config.ippUri)),
      documentFormat_(TextOf(port.config.ippDocumentFormat, sizeof port.config.ippDocumentFormat)),
      pinned_(TextOf(port.ippCertificate, sizeof port.ippCertificate)),
      details_(std::move(details)),
      deleted_(std::move(deleted)) {
  if (documentFormat_.empty()) documentFormat_ = kDefaultIppDocumentFormat;
}

ipp::Request IppJob::RequestFor(uint16_t operation) const {
  ipp::Request request;
  request.operation = operation;
  request.printerUri = uri_;
  request.userName = details_.user;
  if (printerJobId_ != 0) request.jobId = printerJobId_;
  return request;
}

// The request's attributes go first; the spooler's bytes follow.
DWORD IppJob::Start() {
  ipp::Request print = RequestFor(ipp::kPrintJob);
  print.jobName = details_.document;
  print.documentFormat = documentFormat_;
  post_ = std::make_unique<IppPost>(uri_, pinned_, Timeouts(), MonitorFolder());
  if (!post_->Begin(std::nullopt) || !post_->Write(ipp::EncodeRequest(print))) return error_ = Judged(post_->Finish());
  return 0;
}

DWORD IppJob::Write(std::span<const uint8_t> bytes, size_t& taken) {
  taken = 0;
  if (error_ != 0) return error_;
  if (!post_->Write(bytes)) return error_ = Judged(post_->Finish());
  taken = bytes.size();
  return 0;
}

// A job deleted in the queue is not offered to the printer. A printer that does not
// answer a question within the write bound is not offered the job either: a body cut
// short when the send bound runs out is taken by some printers as a whole job (the lab's
// printer prints what came), so the job goes only to a printer that answers. Any other
// failure of the question is left to the job's own request to meet and judge. Once the
// body has begun it goes whole: a printer that stalls in it fails the job (a repost could
// print the part it had and the whole again), and a job deleted meanwhile is cancelled at
// the printer when it has it.
DWORD IppJob::Finish() {
  if (error_ != 0) return error_;
  if (deleted_()) return error_ = ERROR_PRINT_CANCELLED;
  if (PrinterStalls()) return ERROR_RETRY;
  const IppOutcome outcome = posted_ ? post_->Again(pinned_) : post_->Finish();
  posted_ = true;
  if (outcome.Stalled() || outcome.Busy()) return ERROR_RETRY;
  if (DWORD error = Judged(outcome); error != 0) return error_ = error;
  const ipp::Attribute* jobId = outcome.response->Find(ipp::Tag::JobAttributes, "job-id");
  if (jobId != nullptr && !jobId->Integers().empty()) printerJobId_ = jobId->Integers().front();
  if (printerJobId_ != 0) Follow();
  return 0;
}

bool IppJob::PrinterStalls() const {
  ipp::Request question = RequestFor(ipp::kGetPrinterAttributes);
  question.requestedAttributes = {"printer-state"};
  IppTimeouts timeouts = Timeouts();
  timeouts.sendMs = timeouts.receiveMs = static_cast<int>(kWriteBoundMs);
  return PostIpp(uri_, ipp::EncodeRequest(question), pinned_, timeouts).TimedOut();
}

std::optional<ipp::Response> IppJob::Ask(const ipp::Request& request) {
  const std::vector<uint8_t> body = ipp::EncodeRequest(request);
  IppOutcome outcome = PostIpp(uri_, body, pinned_, Timeouts());
  if (Judged(outcome) != 0) return std::nullopt;
  return std::move(outcome.response);
}

DWORD IppJob::Judged(const IppOutcome& outcome) {
  if (outcome.trust == CertificateTrust::FirstUse && pinned_.empty() && !outcome.certificate.fingerprint.empty()) {
    pinned_ = outcome.certificate.fingerprint;
    if (StoredPin(portName_).empty()) WritePortCertificates(portName_, pinned_, "");
  }
  switch (outcome.failure) {
    case IppOutcome::Failure::None: break;
    case IppOutcome::Failure::CertificateChanged:
      certificateChange_ = outcome.Text();
      if (const std::string stored = StoredPin(portName_); stored != outcome.certificate.fingerprint)
        WritePortCertificates(portName_, stored, outcome.certificate.fingerprint);
      return kCertificateChangedError;
    case IppOutcome::Failure::Connection: return ConnectionError(outcome.error);
    default:
      refusal_ = LineText(outcome.Text(), kLongestSaying);
      return ERROR_BAD_NET_RESP;
  }
  const ipp::Response& response = *outcome.response;
  if (ipp::Succeeded(response.status)) return 0;
  refusal_ = LineText(response.StatusMessage(), kLongestSaying);
  if (refusal_.empty()) {
    char status[48];
    std::snprintf(status, sizeof status, "IPP status 0x%04X", response.status);
    refusal_ = status;
  }
  return ERROR_BAD_NET_RESP;
}

// Asks for the job's state until the printer says it ended, for a bound at most: a
// printer that takes longer has the job, and the job is sent all the same. A job that
// the user deletes in the queue meanwhile is cancelled at the printer.
void IppJob::Follow() {
  ipp::Request question = RequestFor(ipp::kGetJobAttributes);
  question.requestedAttributes = {"job-state", "job-state-reasons", "job-state-message"};
  const ULONGLONG deadline = GetTickCount64() + kFollowBoundMs;
  DWORD interval = kFirstFollowIntervalMs;
  for (bool cancelled = false;; Sleep(interval), interval = std::min(2 * interval, kLongestFollowIntervalMs)) {
    if (!cancelled && deleted_()) cancelled = Ask(RequestFor(ipp::kCancelJob)).has_value();
    const std::optional<ipp::Response> answer = Ask(question);
    const ipp::Attribute* state = answer ? answer->Find(ipp::Tag::JobAttributes, "job-state") : nullptr;
    const int32_t value = state != nullptr && !state->Integers().empty() ? state->Integers().front() : 0;
    if (value == kJobCompleted) outcome_ = "Printed by the printer";
    if (value == kJobAborted) {
      abort_ = LineText(EndedSaying(*answer), kLongestSaying);
      if (abort_.empty()) abort_ = "no reason given";
      outcome_ = "Aborted by the printer: " + abort_;
    }
    if (value == kJobCanceled) outcome_ = "Cancelled at the printer";
    if (!outcome_.empty() || !answer || GetTickCount64() >= deadline) return;
  }
}
