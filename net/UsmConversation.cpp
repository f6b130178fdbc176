#include "UsmConversation.h"

#include <algorithm>

#include "RandomBytes.h"
#include "RequestId.h"

namespace {

// Discovery, a changed engine and one resynchronisation: more is an agent that leads us on.
constexpr int kMostSentAgain = 3;

std::span<const uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Compares without stopping at the first difference, so that the time taken says nothing.
bool SameDigest(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  if (a.size() != b.size() || a.empty()) return false;
  uint8_t difference = 0;
  for (size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
  return difference == 0;
}

void AsNoSuchName(snmp::Response& response) {
  if (response.errorStatus != 0) return;
  for (size_t i = 0; i < response.varbinds.size(); ++i)
    if (response.varbinds[i].type == snmp::ValueType::Missing) {
      response.errorStatus = snmp::kNoSuchName;
      response.errorIndex = static_cast<int32_t>(i + 1);
      return;
    }
}

UsmError ErrorOf(snmp::ReportKind kind) {
  switch (kind) {
    case snmp::ReportKind::UnknownUserName: return UsmError::UnknownUser;
    case snmp::ReportKind::WrongDigest: return UsmError::WrongDigest;
    case snmp::ReportKind::UnsupportedSecurityLevel: return UsmError::UnsupportedSecurityLevel;
    case snmp::ReportKind::DecryptionError: return UsmError::DecryptionError;
    case snmp::ReportKind::NotInTimeWindow: return UsmError::NotInTimeWindow;
    case snmp::ReportKind::UnknownEngineId: return UsmError::UnknownEngine;
    default: return UsmError::Refused;
  }
}

}  // namespace

int32_t UsmEngine::TimeAt(ULONGLONG now) const {
  const ULONGLONG time = static_cast<ULONGLONG>(this->time) + (now - learnedAt) / 1000;
  return static_cast<int32_t>(std::min<ULONGLONG>(time, INT32_MAX));
}

UsmConversation::UsmConversation(const UsmUser& user, std::vector<snmp::Oid> oids, UsmEngine& engine)
    : user_(user), oids_(std::move(oids)), engine_(engine) {}

std::vector<uint8_t> UsmConversation::Request(ULONGLONG now) {
  msgId_ = RandomRequestId();
  requestId_ = RandomRequestId();
  if (user_.name.empty()) {
    Fail(UsmError::NoProfile);
    return {};
  }
  probing_ = !engine_.Known();
  if (probing_) return Probe();
  if (keys_ == nullptr || engine_.id != keys_->engineId) keys_ = LocalizedKeys(user_, engine_.id);
  std::vector<uint8_t> request = keys_ == nullptr ? std::vector<uint8_t>{} : Sealed(now);
  if (request.empty()) Fail(UsmError::NoKey);
  return request;
}

// Unauthenticated, without a user, asking nothing: the agent answers with its engine.
std::vector<uint8_t> UsmConversation::Probe() const {
  const std::vector<uint8_t> scoped = snmp::EncodeScopedGet("", requestId_, {});
  return snmp::EncodeV3({msgId_, snmp::kOurMaxMessageSize, snmp::kFlagReportable}, {}, scoped).bytes;
}

// The request at the user's level: encrypted with a fresh salt, then the digest over the
// whole message written into its place (RFC 3414 section 6.3.1, RFC 3826 section 3.1.3).
std::vector<uint8_t> UsmConversation::Sealed(ULONGLONG now) const {
  snmp::UsmParameters usm{engine_.id, engine_.boots, engine_.TimeAt(now), user_.name, {}, {}};
  uint8_t flags = snmp::kFlagReportable;
  std::vector<uint8_t> data = snmp::EncodeScopedGet(engine_.id, requestId_, oids_);
  if (Authenticated()) {
    flags |= snmp::kFlagAuth;
    usm.authParams.assign(DigestLength(user_.auth), '\0');
  }
  if (Private()) {
    flags |= snmp::kFlagPriv;
    uint8_t salt[snmp::kPrivParamBytes];
    if (!FillRandom(salt) || !AesCfb(true, keys_->priv, AesIv(usm.engineBoots, usm.engineTime, salt), data)) return {};
    usm.privParams.assign(std::begin(salt), std::end(salt));
  }
  snmp::EncodedV3 encoded = snmp::EncodeV3({msgId_, snmp::kOurMaxMessageSize, flags}, usm, data);
  if (Authenticated()) {
    const Bytes digest = MessageDigest(user_.auth, keys_->auth, encoded.bytes);
    if (digest.empty()) return {};
    std::copy(digest.begin(), digest.end(), encoded.bytes.begin() + static_cast<ptrdiff_t>(encoded.authOffset));
  }
  return std::move(encoded.bytes);
}

// The digest over the message with its own digest's place zeroed (RFC 3414 section 6.3.2).
bool UsmConversation::Authentic(std::span<const uint8_t> datagram, const snmp::DecodedV3& message) const {
  if (!Authenticated() || keys_ == nullptr || !(message.header.flags & snmp::kFlagAuth) ||
      message.usm.engineId != engine_.id || message.usm.userName != user_.name ||
      message.usm.authParams.size() != DigestLength(user_.auth))
    return false;
  std::vector<uint8_t> zeroed(datagram.begin(), datagram.end());
  std::fill_n(zeroed.begin() + static_cast<ptrdiff_t>(message.authOffset), message.usm.authParams.size(), 0);
  return SameDigest(MessageDigest(user_.auth, keys_->auth, zeroed), AsBytes(message.usm.authParams));
}

std::optional<snmp::ScopedPdu> UsmConversation::Open(std::span<const uint8_t> datagram,
                                                    const snmp::DecodedV3& message) const {
  if (!message.Encrypted()) return snmp::DecodeScopedPdu(message.data, false);
  if (!Private() || message.usm.privParams.size() != snmp::kPrivParamBytes || !Authentic(datagram, message))
    return std::nullopt;
  std::vector<uint8_t> plain = message.data;
  if (!AesCfb(false, keys_->priv, AesIv(message.usm.engineBoots, message.usm.engineTime, AsBytes(message.usm.privParams)),
              plain))
    return std::nullopt;
  return snmp::DecodeScopedPdu(plain, true);
}

UsmConversation::Step UsmConversation::Take(std::span<const uint8_t> datagram, const snmp::DecodedV3& message,
                                            ULONGLONG now) {
  if (message.header.msgId != msgId_ || error_ != UsmError::None) return Step::Drop;
  std::optional<snmp::ScopedPdu> scoped = Open(datagram, message);
  if (!scoped) return Step::Drop;
  if (scoped->type == snmp::PduType::Report)
    return TakeReport(message, (message.header.flags & snmp::kFlagAuth) && Authentic(datagram, message), scoped->pdu,
                      now);
  return TakeResponse(datagram, message, std::move(scoped->pdu), now);
}

UsmConversation::Step UsmConversation::TakeReport(const snmp::DecodedV3& message, bool authentic,
                                                  const snmp::Response& report, ULONGLONG now) {
  const snmp::ReportKind kind = snmp::KindOfReport(report);
  if (kind == snmp::ReportKind::UnknownEngineId && !message.usm.engineId.empty() &&
      (probing_ || message.usm.engineId != engine_.id)) {
    if (++sentAgain_ > kMostSentAgain) return Fail(UsmError::UnknownEngine);
    discovered_ = true;
    Learn(message.usm, now);
    return Step::SendAgain;
  }
  if (probing_) return Step::Drop;  // a probe is answered by its engine's ID, nothing else
  // Only the agent's own authenticated Report may set our clock (RFC 3414 section 3.2, 7b).
  if (kind == snmp::ReportKind::NotInTimeWindow && authentic && !resynchronised_ && ++sentAgain_ <= kMostSentAgain) {
    resynchronised_ = true;
    Learn(message.usm, now);
    return Step::SendAgain;
  }
  return Fail(ErrorOf(kind));
}

UsmConversation::Step UsmConversation::TakeResponse(std::span<const uint8_t> datagram, const snmp::DecodedV3& message,
                                                    snmp::Response response, ULONGLONG now) {
  if (probing_ || response.requestId != requestId_ || message.usm.engineId != engine_.id) return Step::Drop;
  if (Authenticated()) {
    if (Private() && !message.Encrypted()) return Step::Drop;
    // Open() has checked the digest of an encrypted message; one in clear is checked here.
    if (!message.Encrypted() && !Authentic(datagram, message)) return Step::Drop;
    if (message.usm.engineBoots > engine_.boots ||
        (message.usm.engineBoots == engine_.boots && message.usm.engineTime > engine_.TimeAt(now)))
      Learn(message.usm, now);
  }
  AsNoSuchName(response);
  answer_ = std::move(response);
  return Step::Answered;
}

void UsmConversation::RanOut() {
  if (error_ == UsmError::None && discovered_ && Private()) error_ = UsmError::EncryptedUnanswered;
}

UsmConversation::Step UsmConversation::Fail(UsmError error) {
  error_ = error;
  return Step::Failed;
}

void UsmConversation::Learn(const snmp::UsmParameters& usm, ULONGLONG now) {
  engine_.id = usm.engineId;
  engine_.boots = usm.engineBoots;
  engine_.time = usm.engineTime;
  engine_.learnedAt = now;
}
