#include "PortValues.h"

#include <algorithm>

#include "IppUri.h"
#include "TextField.h"

namespace {

constexpr uint32_t kLargestTcpPort = 65535;
constexpr uint32_t kLargestInterval = 999;  // the configuration dialog's three digits

bool AnyInRange(uint32_t) { return true; }
bool PrintProtocol(uint32_t number) { return number == kProtocolRaw || number == kProtocolLpr; }
bool SnmpVersion(uint32_t number) { return number == kSnmpCommunity || number == kSnmpV3; }

constexpr PortValue Text(const char* name, size_t offset, size_t capacity, bool mayBeEmpty,
                         ValueKind kind = ValueKind::Port,
                         std::optional<std::string> (*formRefusal)(std::string_view) = nullptr) {
  return {name, ValueType::Text, offset, capacity, mayBeEmpty, 0, nullptr, nullptr, std::nullopt, false, kind, formRefusal};
}

constexpr PortValue Number(const char* name, size_t offset, uint32_t most, const char* allowed,
                           std::optional<uint32_t> whenMissing, bool clamped = false) {
  return {name, ValueType::Number, offset, 0, false, most, AnyInRange, allowed, whenMissing, clamped, ValueKind::Port, nullptr};
}

constexpr PortValue Fingerprint(const char* name, size_t offset) {
  return Text(name, offset, kFingerprintDigits + 1, true, ValueKind::Certificate, FingerprintRefusal);
}

constexpr PortValue SnmpChoice(PortValue value, bool exportedAlways = false) {
  value.kind = ValueKind::SnmpChoice;
  value.exportedAlways = exportedAlways;
  return value;
}

}  // namespace

const std::array<PortValue, 19> kPortValues = {
    Text(kDeviceIpValue, offsetof(StoredPort, config.deviceIP), sizeof PortConfig::deviceIP, false),
    PortValue{"Protocal", ValueType::Number, offsetof(StoredPort, config.protocol), 0, false, kProtocolRaw, PrintProtocol,
              "9100 (raw) or 515 (LPR)", std::nullopt, false, ValueKind::Port, nullptr},
    Text("LprQueue", offsetof(StoredPort, config.lprQueue), sizeof PortConfig::lprQueue, true),
    Number("LprByteCounting", offsetof(StoredPort, config.lprByteCounting), 1, "a whole number from 0 to 1", 0),
    // 0 is what the wizard stores for a printer of no known model; the monitor prints it to 9100.
    Number("RawPortNumber", offsetof(StoredPort, config.rawPortNumber), kLargestTcpPort, "a whole number from 0 to 65535", 9100),
    Number("BiDiEnabled", offsetof(StoredPort, config.biDiEnabled), 1, "a whole number from 0 to 1", 0),
    Text(kCommunityNameValue, offsetof(StoredPort, config.communityName), sizeof PortConfig::communityName, true),
    Number("ConfigUpdateInt", offsetof(StoredPort, config.configUpdateInt), kLargestInterval, "a whole number from 0 to 999", 30, true),
    Number("StatusUpdateInt", offsetof(StoredPort, config.statusUpdateInt), kLargestInterval, "a whole number from 0 to 999", 10, true),
    Number(kSnmpUpdatedValue, offsetof(StoredPort, snmpUpdated), 1, "a whole number from 0 to 1", 0),
    Text(kIppUriValue, offsetof(StoredPort, config.ippUri), sizeof PortConfig::ippUri, true, ValueKind::Ipp, IppUriRefusal),
    Text("IppDocumentFormat", offsetof(StoredPort, config.ippDocumentFormat), sizeof PortConfig::ippDocumentFormat,
         false, ValueKind::Ipp, DocumentFormatRefusal),
    Fingerprint(kIppCertificateValue, offsetof(StoredPort, ippCertificate)),
    Fingerprint(kIppCertificateOfferedValue, offsetof(StoredPort, ippCertificateOffered)),
    SnmpChoice(PortValue{kSnmpVersionValue, ValueType::Number, offsetof(StoredPort, snmp.version), 0, false, kSnmpV3,
                         SnmpVersion, "1 (the community) or 3 (SNMPv3)", kSnmpCommunity, false, ValueKind::Port,
                         nullptr},
               true),
    SnmpChoice(Text(kSnmpV3UserValue, offsetof(StoredPort, snmp.v3User), sizeof PortSnmpChoice::v3User, true)),
    SnmpChoice(Number(kSnmpV3LevelValue, offsetof(StoredPort, snmp.v3Level), 2,
                      "0 (noAuthNoPriv), 1 (authNoPriv) or 2 (authPriv)", 2)),
    SnmpChoice(Number(kSnmpV3AuthValue, offsetof(StoredPort, snmp.v3Auth), 2,
                      "0 (none), 1 (HMAC-SHA-96) or 2 (HMAC-SHA-256-192)", 1)),
    SnmpChoice(Number(kSnmpV3PrivValue, offsetof(StoredPort, snmp.v3Priv), 1, "0 (none) or 1 (AES-128)", 1)),
};

namespace {

char* TextField(StoredPort& port, const PortValue& value) { return reinterpret_cast<char*>(&port) + value.offset; }
uint32_t* NumberField(StoredPort& port, const PortValue& value) {
  return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(&port) + value.offset);
}

// Bytes that a terminal or a line protocol takes as commands: a newline in a queue name
// would start a new LPD subcommand.
bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace

std::string_view ValueText(const StoredPort& port, const PortValue& value) {
  return TextOf(reinterpret_cast<const char*>(&port) + value.offset, value.capacity);
}

void SetValueText(StoredPort& port, const PortValue& value, std::string_view text) {
  CopyText(TextField(port, value), value.capacity, text);
}

uint32_t ValueNumber(const StoredPort& port, const PortValue& value) {
  return *reinterpret_cast<const uint32_t*>(reinterpret_cast<const char*>(&port) + value.offset);
}

void SetValueNumber(StoredPort& port, const PortValue& value, uint32_t number) {
  *NumberField(port, value) = value.clamped ? std::min(number, value.most) : number;
}

bool ExportsValue(const StoredPort& port, const PortValue& value) {
  if (value.kind == ValueKind::Certificate) return false;
  if (value.kind == ValueKind::Ipp) return port.config.ippUri[0] != '\0';
  if (value.kind != ValueKind::SnmpChoice || value.exportedAlways) return true;
  if (value.type == ValueType::Text) return !ValueText(port, value).empty();
  return !value.whenMissing || ValueNumber(port, value) != *value.whenMissing;
}

void SetNumberDefaults(PortConfig& config) {
  StoredPort port{config, 0, {}, {}, {}};
  for (const PortValue& value : kPortValues)
    if (value.whenMissing) SetValueNumber(port, value, *value.whenMissing);
  config = port.config;
}

StoredPort DefaultStoredPort(std::string_view name) {
  StoredPort port{};
  port.config.modelIndex = -1;
  CopyText(port.config.portName, name);
  port.config.protocol = kProtocolRaw;
  CopyText(port.config.ippDocumentFormat, kDefaultIppDocumentFormat);
  SetNumberDefaults(port.config);
  return port;
}

std::optional<std::string> TextRefusal(const PortValue& value, std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return "holds a NUL character";
  if (HoldsControlCharacter(text)) return "holds a control character";
  if (text.size() >= value.capacity) return "is longer than " + std::to_string(value.capacity - 1) + " characters";
  if (text.empty() && !value.mayBeEmpty) return "is empty";
  if (value.formRefusal != nullptr) return value.formRefusal(text);
  return std::nullopt;
}

std::optional<std::string> NumberRefusal(const PortValue& value, uint32_t number) {
  if (number > value.most || !value.allows(number)) return std::string("must be ") + value.allowed;
  return std::nullopt;
}

std::optional<std::string> NameRefusal(std::string_view name) {
  if (name.empty()) return "the port name is empty";
  if (name.size() >= sizeof PortConfig::portName)
    return "\"name\" is longer than " + std::to_string(sizeof PortConfig::portName - 1) + " characters";
  if (name.find_first_of("\\,") != std::string_view::npos) return "a port name cannot hold a backslash or a comma";
  if (name.find('\0') != std::string_view::npos || HoldsControlCharacter(name))
    return "a port name cannot hold a control character";
  return std::nullopt;
}

std::optional<std::string> RecordRefusal(const PortConfig& config) {
  const StoredPort port{config, 0, {}, {}, {}};
  for (const PortValue& value : kPortValues) {
    if (value.kind == ValueKind::Certificate) continue;
    auto refusal = value.type == ValueType::Text ? TextRefusal(value, ValueText(port, value))
                                                 : NumberRefusal(value, ValueNumber(port, value));
    if (refusal) return "\"" + std::string(value.name) + "\" " + *refusal;
  }
  return std::nullopt;
}
