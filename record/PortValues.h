#pragma once
// The values of a port's registry key, named once: reading, writing, prlport's export
// and import (whose JSON fields carry the same names) and every check of a record that
// is about to be stored go through this table. Portable: no Windows API, so that the
// import's reader is fuzzed on the host.
//
// Ten are the port's record, which the dialogs, XcvData's record and `prlport set` store
// whole. The SNMP choice (the community, or SNMPv3 with the machine's profile or the
// port's own user) lies beside them: written only by whoever changes that choice, so
// that storing the record keeps it.
//
// "Protocal" is the stored spelling, on purpose: ports written by every earlier
// version carry it, and the monitor reads it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "PortConfig.h"

// The values that callers name on their own: the address and community, whose change
// the monitor is told of through "SnmpUpdated" (the monitor itself names it in UTF-16).
inline constexpr char kDeviceIpValue[] = "DeviceIP";
inline constexpr char kCommunityNameValue[] = "CommunityName";
inline constexpr char kSnmpUpdatedValue[] = "SnmpUpdated";
inline constexpr wchar_t kSnmpUpdatedValueW[] = L"SnmpUpdated";
inline constexpr char kIppUriValue[] = "IppUri";
inline constexpr char kIppCertificateValue[] = "IppCertificate";
inline constexpr char kIppCertificateOfferedValue[] = "IppCertificateOffered";

// A SHA-256 fingerprint in hex, and its field.
inline constexpr size_t kFingerprintDigits = 64;
using FingerprintField = char[kFingerprintDigits + 1];

inline constexpr char kSnmpVersionValue[] = "SnmpVersion";
// A port's own SNMPv3 user; the machine's profile stores its user under the same names.
inline constexpr char kSnmpV3UserValue[] = "SnmpV3User";
inline constexpr char kSnmpV3LevelValue[] = "SnmpV3Level";
inline constexpr char kSnmpV3AuthValue[] = "SnmpV3Auth";
inline constexpr char kSnmpV3PrivValue[] = "SnmpV3Priv";

// How the port's printer is asked for its state. The user's protocols are those of
// UsmUser.h, as numbers; its pass phrases are kept apart, protected (SnmpCredentials.h).
enum : uint32_t { kSnmpCommunity = 1, kSnmpV3 = 3 };
struct PortSnmpChoice {
  uint32_t version = kSnmpCommunity;
  char v3User[33] = {};  // the port's own SNMPv3 user; empty: the machine's profile
  uint32_t v3Level = 2;  // UsmLevel::AuthPriv
  uint32_t v3Auth = 1;   // UsmAuth::HmacSha96
  uint32_t v3Priv = 1;   // UsmPriv::Aes128Cfb
};

// A port as its key stores it: the record's settings, "SnmpUpdated", which tells the
// monitor that the address or community changed, an IPPS printer's certificates as the
// monitor met them, and the SNMP choice.
struct StoredPort {
  PortConfig config;
  uint32_t snmpUpdated = 0;
  FingerprintField ippCertificate = {};         // trusted: the first one met, or one accepted since
  FingerprintField ippCertificateOffered = {};  // a different one the printer showed last
  PortSnmpChoice snmp;
};

enum class ValueType { Text, Number };  // REG_SZ, REG_DWORD

// Who writes a value, and what carries it.
enum class ValueKind {
  Port,         // the ten values of every version: every writer of a record, every file
  Ipp,          // an IPP port's: every writer of a record; a file holds them for an IPP port
  Certificate,  // written by the monitor and by an administrator's trust only; no file holds them
  // The SNMP choice (the community, or SNMPv3 with the machine's profile or the port's own
  // user): written only by whoever changes that choice, so that storing the record keeps
  // it; a file may lack it (it then takes its default).
  SnmpChoice,
};

struct PortValue {
  const char* name;  // the registry value's name, and the export's field name
  ValueType type;
  size_t offset;    // of the field in StoredPort
  size_t capacity;  // a text's field, its NUL included
  bool mayBeEmpty;  // a text
  uint32_t most;    // a number: the largest it may be, from 0
  bool (*allows)(uint32_t);  // a number: what it may be, within 0 to `most`
  const char* allowed;       // a number: the same in words
  // A number's value when the key lacks it; none: the field stays as it was.
  std::optional<uint32_t> whenMissing;
  // A number that is brought into 0 to `most` whenever it is set, so that a value read
  // holds to the range whatever wrote it.
  bool clamped;
  ValueKind kind;
  // A text's own form beyond the checks of every text: why it cannot be stored, in words
  // that follow the value's quoted name; none: any text that fits.
  std::optional<std::string> (*formRefusal)(std::string_view);
  // Of the SNMP choice: written in an export even at its default.
  bool exportedAlways = false;
};

// In the order in which a port is written.
extern const std::array<PortValue, 19> kPortValues;
// Whether an export writes the value of that port (an IPP port's values aside, which
// only an IPP port's export holds).
bool ExportsValue(const StoredPort& port, const PortValue& value);

std::string_view ValueText(const StoredPort& port, const PortValue& value);
void SetValueText(StoredPort& port, const PortValue& value, std::string_view text);  // cut to fit
uint32_t ValueNumber(const StoredPort& port, const PortValue& value);
void SetValueNumber(StoredPort& port, const PortValue& value, uint32_t number);

// Sets the numbers that a key without values gives (raw port 9100, 30 and 10 seconds,
// byte counting and bi-directional off); the texts and the protocol stay.
void SetNumberDefaults(PortConfig& config);
// A port that a key without values gives: the name, empty texts but the IPP document
// format's default, a raw port on 9100, every number's default and the community.
StoredPort DefaultStoredPort(std::string_view name);

// Why a text or number cannot be stored as the value, in words that follow the value's
// quoted name ("must ...", "is ..."); nothing when it can.
std::optional<std::string> TextRefusal(const PortValue& value, std::string_view text);
std::optional<std::string> NumberRefusal(const PortValue& value, uint32_t number);
// Why a name cannot name a port's key; nothing when it can.
std::optional<std::string> NameRefusal(std::string_view name);
// The first of the record's values (its name aside) that cannot be stored, with its
// quoted name: "\"RawPortNumber\" must be ..."; nothing when all can.
std::optional<std::string> RecordRefusal(const PortConfig& config);
