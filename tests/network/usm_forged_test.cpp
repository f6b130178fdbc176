// An SNMPv3 question against an agent played here with our own codec and the system's
// cryptography: the request that we send authenticates and decrypts as an agent checks
// it, and of what comes back only the agent's genuine answer is taken. A forger without
// the keys can neither answer in the agent's place nor move our notion of its clock.
#include <gtest/gtest.h>

#include "Ber.h"
#include "RandomBytes.h"
#include "UsmConversation.h"
#include "ber_builder.h"

namespace {

const std::string kEngine("\x80\x00\x1f\x88\x80\x5a\x5a\x5a\x5a", 9);
const snmp::Oid kSysObjectId = {1, 3, 6, 1, 2, 1, 1, 2, 0};
const ber::Bytes kSysObjectIdName = ber::Oid({6, 1, 2, 1, 1, 2, 0});
const ber::Bytes kAnswerValue = ber::Oid({6, 1, 4, 1, 99999, 3});

UsmUser Admin() {
  UsmUser user;
  user.name = "admin";
  user.level = UsmLevel::AuthPriv;
  user.auth = UsmAuth::HmacSha256;
  user.priv = UsmPriv::Aes128Cfb;
  user.authPassphrase = "admin-auth-pass";
  user.privPassphrase = "admin-priv-pass";
  return user;
}

// The request id of a scoped GetRequest; 0 when it is none.
int32_t RequestIdOf(std::span<const uint8_t> scoped) {
  snmp::ber::Reader outer(scoped);
  std::span<const uint8_t> content, text, pdu;
  uint8_t tag = 0;
  if (!outer.Expect(snmp::ber::kSequence, content)) return 0;
  snmp::ber::Reader fields(content);
  if (!fields.Expect(snmp::ber::kOctetString, text) || !fields.Expect(snmp::ber::kOctetString, text) ||
      !fields.Next(tag, pdu) || tag != static_cast<uint8_t>(snmp::PduType::Get))
    return 0;
  snmp::ber::Reader body(pdu);
  int32_t id = 0;
  return snmp::ber::DecodeInt32(body, id) ? id : 0;
}

// What the agent read of our request.
struct Read {
  snmp::DecodedV3 message;
  int32_t requestId = 0;
};

// The agent's side: reads our requests and writes its messages with its keys.
class Agent {
 public:
  Agent() : keys_(LocalizedKeys(Admin(), kEngine)) {}

  std::optional<Read> Check(const std::vector<uint8_t>& request) const {
    std::optional<snmp::DecodedV3> message = snmp::DecodeV3(request);
    if (!message || !(message->header.flags & snmp::kFlagAuth) || !(message->header.flags & snmp::kFlagPriv)) return {};
    std::vector<uint8_t> zeroed = request;
    std::fill_n(zeroed.begin() + static_cast<ptrdiff_t>(message->authOffset), message->usm.authParams.size(), 0);
    const Bytes digest = MessageDigest(UsmAuth::HmacSha256, keys_->auth, zeroed);
    if (std::string(digest.begin(), digest.end()) != message->usm.authParams) return {};
    std::vector<uint8_t> plain = message->data;
    AesCfb(false, keys_->priv, AesIv(message->usm.engineBoots, message->usm.engineTime,
                                     std::span(reinterpret_cast<const uint8_t*>(message->usm.privParams.data()), 8)),
           plain);
    const int32_t requestId = RequestIdOf(plain);
    if (plain != snmp::EncodeScopedGet(kEngine, requestId, {kSysObjectId})) return {};
    return Read{*message, requestId};
  }

  enum Sealing { kSealed, kWrongDigest, kInClear, kUnauthenticated };
  // A message of the agent: the scoped PDU, authenticated and encrypted as `sealing` says.
  std::vector<uint8_t> Message(int32_t msgId, const ber::Bytes& scoped, Sealing sealing, int32_t boots = 5,
                               int32_t time = 100) const {
    snmp::UsmParameters usm{kEngine, boots, time, "admin", {}, {}};
    uint8_t flags = 0;
    std::vector<uint8_t> data = scoped;
    if (sealing != kUnauthenticated) {
      flags |= snmp::kFlagAuth;
      usm.authParams.assign(24, '\0');
    }
    if (sealing == kSealed || sealing == kWrongDigest) {
      flags |= snmp::kFlagPriv;
      uint8_t salt[8];
      FillRandom(salt);
      AesCfb(true, keys_->priv, AesIv(boots, time, salt), data);
      usm.privParams.assign(std::begin(salt), std::end(salt));
    }
    snmp::EncodedV3 encoded = snmp::EncodeV3({msgId, 65507, flags}, usm, data);
    if (flags & snmp::kFlagAuth) {
      Bytes digest = MessageDigest(UsmAuth::HmacSha256, keys_->auth, encoded.bytes);
      if (sealing == kWrongDigest) digest[0] ^= 1;
      std::copy(digest.begin(), digest.end(), encoded.bytes.begin() + static_cast<ptrdiff_t>(encoded.authOffset));
    }
    return encoded.bytes;
  }

 private:
  std::shared_ptr<const UsmKeys> keys_;
};

ber::Bytes ResponsePdu(int32_t requestId) {
  return ber::ScopedPdu(kEngine, 0xA2, requestId, {ber::Varbind(kSysObjectIdName, kAnswerValue)});
}

ber::Bytes ReportPdu(uint32_t counter) {
  return ber::ScopedPdu(kEngine, 0xA8, 0, {ber::Varbind(ber::Oid({6, 1, 6, 3, 15, 1, 1, counter, 0}), ber::Tlv(0x41, {1}))});
}

// A conversation past its engine discovery, and the agent's reading of its request.
struct Started {
  UsmEngine engine;
  std::unique_ptr<UsmConversation> conversation;
  Read request;
};

void Start(Started& started, const Agent& agent) {
  started.conversation = std::make_unique<UsmConversation>(Admin(), std::vector<snmp::Oid>{kSysObjectId}, started.engine);
  const std::vector<uint8_t> probe = started.conversation->Request(GetTickCount64());
  const auto decoded = snmp::DecodeV3(probe);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->header.flags, snmp::kFlagReportable);  // unauthenticated, no user
  EXPECT_TRUE(decoded->usm.userName.empty());
  const std::vector<uint8_t> report = agent.Message(decoded->header.msgId, ReportPdu(4), Agent::kUnauthenticated);
  ASSERT_EQ(started.conversation->Take(report, *snmp::DecodeV3(report), GetTickCount64()),
            UsmConversation::Step::SendAgain);
  std::optional<Read> read = agent.Check(started.conversation->Request(GetTickCount64()));
  ASSERT_TRUE(read) << "the request does not authenticate or decrypt as the agent checks it";
  EXPECT_EQ(read->message.usm.engineId, kEngine);
  EXPECT_EQ(read->message.usm.engineBoots, 5);
  EXPECT_EQ(read->message.usm.userName, "admin");
  started.request = *read;
}

UsmConversation::Step Deliver(Started& started, const std::vector<uint8_t>& datagram) {
  return started.conversation->Take(datagram, *snmp::DecodeV3(datagram), GetTickCount64());
}

TEST(SnmpV3Forged, OnlyTheAgentsGenuineAnswerIsTaken) {
  const Agent agent;
  const struct {
    const char* what;
    Agent::Sealing sealing;
    int32_t otherMsgId, otherRequestId;
    UsmConversation::Step step;
  } cases[] = {
      {"the genuine answer", Agent::kSealed, 0, 0, UsmConversation::Step::Answered},
      {"a wrong digest", Agent::kWrongDigest, 0, 0, UsmConversation::Step::Drop},
      {"an answer in clear", Agent::kInClear, 0, 0, UsmConversation::Step::Drop},
      {"an unauthenticated answer", Agent::kUnauthenticated, 0, 0, UsmConversation::Step::Drop},
      {"another msgID", Agent::kSealed, 1, 0, UsmConversation::Step::Drop},
      {"another request id", Agent::kSealed, 0, 1, UsmConversation::Step::Drop},
  };
  for (const auto& c : cases) {
    Started started;
    Start(started, agent);
    const Read& r = started.request;
    const std::vector<uint8_t> datagram =
        agent.Message(r.message.header.msgId ^ c.otherMsgId, ResponsePdu(r.requestId ^ c.otherRequestId), c.sealing);
    EXPECT_EQ(Deliver(started, datagram), c.step) << c.what;
    if (c.step == UsmConversation::Step::Answered) {
      EXPECT_EQ(snmp::OidText(started.conversation->Answer().varbinds[0].oid), "1.3.6.1.4.1.99999.3");
    }
  }
}

TEST(SnmpV3Forged, OnlyAnAuthenticatedReportMovesTheAgentsClockAndOnlyOnce) {
  const Agent agent;
  Started forged;
  Start(forged, agent);
  EXPECT_EQ(Deliver(forged, agent.Message(forged.request.message.header.msgId, ReportPdu(2), Agent::kUnauthenticated, 9, 1)),
            UsmConversation::Step::Failed);
  EXPECT_EQ(forged.conversation->Error(), UsmError::NotInTimeWindow);
  EXPECT_EQ(forged.engine.boots, 5);

  Started restarted;
  Start(restarted, agent);
  EXPECT_EQ(Deliver(restarted, agent.Message(restarted.request.message.header.msgId, ReportPdu(2), Agent::kInClear, 6, 3)),
            UsmConversation::Step::SendAgain);
  EXPECT_EQ(restarted.engine.boots, 6);
  std::optional<Read> again = agent.Check(restarted.conversation->Request(GetTickCount64()));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->message.usm.engineBoots, 6);
  EXPECT_EQ(Deliver(restarted, agent.Message(again->message.header.msgId, ReportPdu(2), Agent::kInClear, 7, 3)),
            UsmConversation::Step::Failed);
  EXPECT_EQ(restarted.conversation->Error(), UsmError::NotInTimeWindow);
}

}  // namespace
