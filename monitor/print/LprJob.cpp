#include "LprJob.h"

#include <atomic>
#include <cstdio>
#include <optional>

#include "MonitorCounter.h"

namespace {

constexpr uint16_t kLprPort = 515;
constexpr SourcePorts kReservedPorts{721, 731};
// How long a refusal's text may take, in all, to follow its first byte.
constexpr DWORD kRefusalTextMs = 1000;

// Job numbers run from 000 to 999 and start over, counted in the monitor's key so that
// no load of the monitor, process or restarted spooler reuses the number of a job that
// a printer may still hold. Where the key cannot be written, they follow the clock.
std::atomic<unsigned> clockJobNumber{GetTickCount() % 1000};

unsigned NextJobNumber() {
  const std::optional<DWORD> kept = AddToMonitorCounter(L"LprJobNumber", 1);
  return (kept ? *kept : clockJobNumber++) % 1000;
}

// The host as it goes into file names: letters, digits, '-' and '.', at most 31.
std::string FileNameHost(std::string_view host) {
  std::string name(host.substr(0, 31));
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
  return name.empty() ? "localhost" : name;
}

}  // namespace

LprJob::LprJob(std::string host, std::string queue, JobDetails details, bool byteCounting)
    : host_(std::move(host)), queue_(std::move(queue)), details_(std::move(details)), byteCounting_(byteCounting) {
  char number[4];
  std::snprintf(number, sizeof number, "%03u", NextJobNumber());
  jobName_ = std::string("A") + number + FileNameHost(details_.host);
}

DWORD LprJob::Start() {
  if (byteCounting_) return spool_.Create();
  if (DWORD error = Open(); error != 0) return error;
  return AnnounceDataFile(0);
}

DWORD LprJob::Write(std::span<const uint8_t> bytes, size_t& taken) {
  if (!byteCounting_) return connection_.SendWithin(bytes, kWriteBoundMs, taken);
  taken = 0;
  if (DWORD error = spool_.Append(bytes); error != 0) return error;
  taken = bytes.size();
  return 0;
}

// A streamed data file ends with the connection, and the LPD may still refuse the job
// then; a counted one ends with a NUL that the LPD acknowledges.
DWORD LprJob::Finish() {
  if (!byteCounting_) {
    std::string said;
    if (DWORD error = connection_.FinishSending(kWriteBoundMs, &said); error != 0) return error;
    return said.empty() || said[0] == '\0' ? 0 : Refused(said);
  }
  if (DWORD error = Open(); error != 0) return error;
  if (DWORD error = AnnounceDataFile(spool_.Size()); error != 0) return error;
  DWORD error = spool_.ReadBack([this](std::span<const uint8_t> piece) { return connection_.Send(piece, kAnswerTimeoutMs); });
  if (error == 0) error = SendAcknowledged(std::string_view("\0", 1));
  if (error == 0) connection_.Delivered();
  return error;
}

DWORD LprJob::Open() {
  if (DWORD error = connection_.Connect(host_.c_str(), kLprPort, kConnectTimeoutMs, &kReservedPorts); error != 0)
    return error;
  if (DWORD error = SendAcknowledged("\x02" + queue_ + "\n"); error != 0) return error;
  const std::string control = ControlFile();
  if (DWORD error = SendAcknowledged("\x02" + std::to_string(control.size()) + " cf" + jobName_ + "\n"); error != 0)
    return error;
  return SendAcknowledged(control + std::string(1, '\0'));
}

DWORD LprJob::AnnounceDataFile(uint64_t length) {
  return SendAcknowledged("\x03" + std::to_string(length) + " df" + jobName_ + "\n");
}

DWORD LprJob::SendAcknowledged(std::string_view bytes) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (DWORD error = connection_.Send(std::span<const uint8_t>(data, bytes.size()), kAnswerTimeoutMs); error != 0)
    return error;
  return Acknowledgement();
}

// A zero byte accepts; anything else refuses, often followed by the LPD's reason.
DWORD LprJob::Acknowledgement() {
  uint8_t answer[256];
  size_t received = 0;
  if (DWORD error = connection_.Receive(std::span<uint8_t>(answer, 1), received, kAnswerTimeoutMs); error != 0)
    return error;
  if (answer[0] == 0) return 0;
  std::string said(1, static_cast<char>(answer[0]));
  // An LPD that sends its reason a byte at a time does not stretch the wait.
  const ULONGLONG deadline = GetTickCount64() + kRefusalTextMs;
  for (ULONGLONG now = GetTickCount64(); said.size() < sizeof answer && now < deadline; now = GetTickCount64()) {
    const auto left = static_cast<DWORD>(deadline - now);
    if (connection_.Receive(std::span<uint8_t>(answer, sizeof answer - said.size()), received, left) != 0) break;
    said.append(reinterpret_cast<const char*>(answer), received);
  }
  return Refused(said);
}

// What the LPD said, in one line, becomes the job's status text.
DWORD LprJob::Refused(const std::string& said) {
  refusal_ = LineText(said, said.size());
  while (!refusal_.empty() && refusal_.back() == ' ') refusal_.pop_back();
  return ERROR_BAD_NET_RESP;
}

std::string LprJob::ControlFile() const {
  const std::string data = "df" + jobName_;
  std::string file;
  file += "H" + LineText(details_.host, 31) + "\n";
  file += "P" + LineText(details_.user, 31) + "\n";
  file += "J" + LineText(details_.document, 99) + "\n";
  file += "N" + LineText(details_.document, 131) + "\n";
  file += "l" + data + "\n";
  file += "U" + data + "\n";
  return file;
}
