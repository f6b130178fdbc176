#include "IppClient.h"

#include <algorithm>
#include <cstdio>

#include "RandomBytes.h"

namespace {

constexpr wchar_t kAgent[] = L"Pralo TCP/IP Port";
constexpr wchar_t kContentType[] = L"Content-Type: application/ipp\r\n";
// The body goes to WinHTTP in pieces of this size: the send bound holds for each, so a
// printer that takes data slowly but steadily (as fast as it prints) is not given up.
constexpr size_t kSendBytes = 65536;
// The kept file is written and read in pieces of this size: every WriteFile and ReadFile
// call costs its own time.
constexpr size_t kPieceBytes = 1 << 20;
// A self-signed certificate, or one issued for another name, is examined here instead:
// the pin decides (ServerCertificate.h).
constexpr DWORD kExaminedHere = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                                SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;

// The URI's parts are printable ASCII (ipp::ParseUri).
std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

using UniqueCertificate = Unique<PCCERT_CONTEXT, CertFreeCertificateContext>;

}  // namespace

std::string IppOutcome::Text() const {
  char text[160];
  switch (failure) {
    case Failure::None: return "answered";
    case Failure::BadUri: return "not an ipp:// or ipps:// printer URI";
    case Failure::Connection:
      std::snprintf(text, sizeof text, "no answer from the printer (error %lu)", static_cast<unsigned long>(error));
      return text;
    case Failure::CertificateChanged:
      return "the printer's certificate has changed: " + certificate.fingerprint + " offered, " +
             NormalizedFingerprint(pinned) + " trusted";
    case Failure::HttpStatus:
      std::snprintf(text, sizeof text, "the printer answered HTTP status %lu", static_cast<unsigned long>(httpStatus));
      return text;
    case Failure::Malformed: return "the printer's answer is not IPP";
  }
  return {};
}

// Windows' WinHTTP gives ERROR_WINHTTP_TIMEOUT; Wine's, the socket's WSAETIMEDOUT.
bool IppOutcome::TimedOut() const {
  return failure == Failure::Connection && (error == ERROR_WINHTTP_TIMEOUT || error == WSAETIMEDOUT);
}

bool IppOutcome::Stalled() const { return TimedOut() && !bodyStarted; }

bool IppOutcome::Busy() const {
  return (failure == Failure::HttpStatus && httpStatus == 503) ||
         (failure == Failure::None && response && response->status == ipp::kServerErrorBusy);
}

IppPost::IppPost(const std::string& uri, std::string pinned, const IppTimeouts& timeouts, std::string keepFolder)
    : uri_(ipp::ParseUri(uri)), timeouts_(timeouts), keepFolder_(std::move(keepFolder)) {
  outcome_.pinned = std::move(pinned);
  outcome_.secure = uri_ && uri_->secure;
  if (!uri_) Fail(IppOutcome::Failure::BadUri);
}

bool IppPost::Fail(IppOutcome::Failure failure, DWORD error) {
  if (outcome_.failure == IppOutcome::Failure::None) {
    outcome_.failure = failure;
    outcome_.error = error;
  }
  request_.reset();
  return false;
}

// No proxy (a printer is on the print server's own network) and no redirect (a printer
// that sends its jobs elsewhere is not followed past its certificate's check).
bool IppPost::Open() {
  session_.reset(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session_ || !WinHttpSetTimeouts(session_.get(), timeouts_.resolveMs, timeouts_.connectMs, timeouts_.sendMs,
                                       timeouts_.receiveMs))
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  connection_.reset(WinHttpConnect(session_.get(), Wide(uri_->host).c_str(), uri_->port, 0));
  if (!connection_) return Fail(IppOutcome::Failure::Connection, GetLastError());
  request_.reset(WinHttpOpenRequest(connection_.get(), L"POST", Wide(uri_->path).c_str(), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    uri_->secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request_) return Fail(IppOutcome::Failure::Connection, GetLastError());
  DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  WinHttpSetOption(request_.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never);
  // The wait for the response's headers has a bound of its own (90 s unless set).
  DWORD responseMs = static_cast<DWORD>(timeouts_.receiveMs);
  if (!WinHttpSetOption(request_.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs, sizeof responseMs))
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  DWORD flags = kExaminedHere;
  if (uri_->secure && !WinHttpSetOption(request_.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags))
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  return true;
}

// A body of unknown length would go chunked, as Windows' WinHTTP takes it when its caller
// frames the chunks; Wine's (8.0) adds "Content-Length: 0" to such a request and reads the
// printer's refusal at once. Keeping the body until it ends serves both the same way.
bool IppPost::Begin(std::optional<uint64_t> length) {
  if (!uri_) return false;
  if (length) return SendHeaders(*length);
  std::string folder = keepFolder_;
  if (folder.empty()) {
    char temporary[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (length == 0 || length >= sizeof temporary) return Fail(IppOutcome::Failure::Connection, GetLastError());
    folder.assign(temporary, length);
  }
  const std::string name = UnpredictableName("ipp-");
  if (name.empty()) return Fail(IppOutcome::Failure::Connection, ERROR_GEN_FAILURE);
  if (folder.back() != '\\') folder += '\\';
  // Made new, never opened: a file someone made first is never written into.
  const HANDLE file =
      CreateFileA((folder + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(IppOutcome::Failure::Connection, GetLastError());
  kept_.reset(file);
  gathered_.reserve(kPieceBytes);
  return true;
}

bool IppPost::SendHeaders(uint64_t length) {
  if (length > 0xFFFFFFFFull) return Fail(IppOutcome::Failure::Connection, ERROR_FILE_TOO_LARGE);
  if (!Open()) return false;
  if (!WinHttpSendRequest(request_.get(), kContentType, static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
                          static_cast<DWORD>(length), 0))
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  return !uri_->secure || CheckCertificate();
}

// The handshake is done once the headers are sent; the body has not begun.
bool IppPost::CheckCertificate() {
  UniqueCertificate certificate;
  PCCERT_CONTEXT context = nullptr;
  DWORD size = sizeof context;
  if (!WinHttpQueryOption(request_.get(), WINHTTP_OPTION_SERVER_CERT_CONTEXT, &context, &size) || !context)
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  certificate.reset(context);
  outcome_.certificate = ExamineCertificate(certificate.get(), uri_->host);
  outcome_.trust = TrustIn(outcome_.certificate, outcome_.pinned);
  if (outcome_.trust == CertificateTrust::Changed) return Fail(IppOutcome::Failure::CertificateChanged);
  return true;
}

// A piece that went only in part within the send bound (Wine reports it so) is a send
// that timed out.
bool IppPost::Send(std::span<const uint8_t> bytes) {
  for (size_t at = 0; at < bytes.size(); at += kSendBytes) {
    outcome_.bodyStarted = true;
    const DWORD size = static_cast<DWORD>(std::min(kSendBytes, bytes.size() - at));
    DWORD written = 0;
    if (!WinHttpWriteData(request_.get(), bytes.data() + at, size, &written))
      return Fail(IppOutcome::Failure::Connection, GetLastError());
    if (written != size) return Fail(IppOutcome::Failure::Connection, ERROR_WINHTTP_TIMEOUT);
  }
  return true;
}

bool IppPost::Write(std::span<const uint8_t> piece) {
  if (outcome_.failure != IppOutcome::Failure::None) return false;
  return kept_ ? Keep(piece) : Send(piece);
}

// The spooler's writes are small (64 KiB from Windows' print processor): they are gathered
// until they make a piece, which goes to the file with what came last in one call each.
bool IppPost::Keep(std::span<const uint8_t> piece) {
  if (gathered_.size() + piece.size() < kPieceBytes) {
    gathered_.insert(gathered_.end(), piece.begin(), piece.end());
    return true;
  }
  if (!KeepInFile(gathered_) || !KeepInFile(piece)) return false;
  gathered_.clear();
  return true;
}

bool IppPost::KeepInFile(std::span<const uint8_t> bytes) {
  for (size_t at = 0; at < bytes.size();) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::min<size_t>(0x40000000, bytes.size() - at));
    if (!WriteFile(kept_.get(), bytes.data() + at, size, &written, nullptr) || written != size)
      return Fail(IppOutcome::Failure::Connection, GetLastError());
    at += written;
  }
  return true;
}

// The file, then what is still gathered (all of a job under one piece never reaches the file).
bool IppPost::SendKept() {
  LARGE_INTEGER size{}, start{};
  if (!GetFileSizeEx(kept_.get(), &size) || !SetFilePointerEx(kept_.get(), start, nullptr, FILE_BEGIN))
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  if (!SendHeaders(static_cast<uint64_t>(size.QuadPart) + gathered_.size())) return false;
  std::vector<uint8_t> piece(size.QuadPart != 0 ? kPieceBytes : 0);
  for (DWORD read = size.QuadPart != 0 ? 1 : 0; read != 0;) {
    if (!ReadFile(kept_.get(), piece.data(), static_cast<DWORD>(piece.size()), &read, nullptr))
      return Fail(IppOutcome::Failure::Connection, GetLastError());
    if (!Send(std::span(piece).first(read))) return false;
  }
  return Send(gathered_);
}

IppOutcome IppPost::Finish() {
  if (outcome_.failure == IppOutcome::Failure::None && (!kept_ || SendKept())) ReadResponse();
  request_.reset();
  connection_.reset();
  session_.reset();
  return outcome_;
}

IppOutcome IppPost::Again(std::string pinned) {
  if (!kept_) return outcome_;
  outcome_ = IppOutcome{};
  outcome_.pinned = std::move(pinned);
  outcome_.secure = uri_->secure;
  return Finish();
}

bool IppPost::ReadResponse() {
  if (!WinHttpReceiveResponse(request_.get(), nullptr)) return Fail(IppOutcome::Failure::Connection, GetLastError());
  DWORD status = 0, size = sizeof status;
  if (!WinHttpQueryHeaders(request_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return Fail(IppOutcome::Failure::Connection, GetLastError());
  outcome_.httpStatus = status;
  if (status != 200) return Fail(IppOutcome::Failure::HttpStatus);
  // One byte over the codec's limit is enough to know that the answer is too long.
  std::vector<uint8_t> body;
  for (DWORD read = 1; read != 0 && body.size() <= ipp::kMaxResponseBytes;) {
    uint8_t piece[16384];
    if (!WinHttpReadData(request_.get(), piece, sizeof piece, &read))
      return Fail(IppOutcome::Failure::Connection, GetLastError());
    body.insert(body.end(), piece, piece + read);
  }
  outcome_.response = ipp::DecodeResponse(body);
  if (!outcome_.response) return Fail(IppOutcome::Failure::Malformed);
  return true;
}

IppOutcome PostIpp(const std::string& uri, std::span<const uint8_t> body, const std::string& pinned,
                   const IppTimeouts& timeouts) {
  IppPost post(uri, pinned, timeouts);
  if (post.Begin(body.size())) post.Write(body);
  return post.Finish();
}
