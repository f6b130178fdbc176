#include "PortTransfer.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "AddressClass.h"
#include "TextField.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr char kFormat[] = "Pralo TCP/IP Port ports";
// A document nests three levels (document, ports, port); more is no document of ours.
constexpr int kDeepest = 4;

// A fault in the document: where, and what.
struct Invalid {
  std::string message;
};

[[noreturn]] void Fail(const std::string& place, const std::string& what) { throw Invalid{place + ": " + what}; }

const Json& Member(const Json& object, const char* name, const std::string& place) {
  auto found = object.find(name);
  if (found == object.end()) Fail(place, std::string("\"") + name + "\" is missing");
  return *found;
}

std::string Quoted(const char* name) { return std::string("\"") + name + "\""; }

std::string TextAt(const Json& object, const char* name, const std::string& place, const ToNative& toNative) {
  const Json& value = Member(object, name, place);
  if (!value.is_string()) Fail(place, Quoted(name) + " must be a text");
  std::optional<std::string> text = toNative(value.get_ref<const std::string&>());
  if (!text) Fail(place, Quoted(name) + " holds characters that this system's code page lacks");
  return *text;
}

// Each value of the table, refused as the table refuses it for every entry that stores a port.
void ValueAt(const Json& entry, const PortValue& value, TransferredPort& port, const std::string& place,
             const ToNative& toNative) {
  if (value.type == ValueType::Text) {
    const std::string text = TextAt(entry, value.name, place, toNative);
    if (auto refusal = TextRefusal(value, text)) Fail(place, Quoted(value.name) + " " + *refusal);
    SetValueText(port, value, text);
    return;
  }
  const Json& number = Member(entry, value.name, place);
  if (!number.is_number_unsigned() || number.get<uint64_t>() > value.most ||
      NumberRefusal(value, static_cast<uint32_t>(number.get<uint64_t>())))
    Fail(place, Quoted(value.name) + " must be " + value.allowed);
  SetValueNumber(port, value, static_cast<uint32_t>(number.get<uint64_t>()));
}

// The values that a file carries: the certificates stay with the machine that met them.
bool Carried(const PortValue& value) { return value.kind != ValueKind::Certificate; }

bool KnownField(const std::string& key) {
  return key == "name" || std::any_of(kPortValues.begin(), kPortValues.end(), [&](const PortValue& value) {
           return Carried(value) && key == value.name;
         });
}

// Every value of the ten that the file must hold: "SnmpUpdated" and an IPP port's values
// may be missing, and take their defaults.
bool Required(const PortValue& value) {
  return value.kind == ValueKind::Port && std::string_view(value.name) != kSnmpUpdatedValue;
}

TransferredPort PortFrom(const Json& entry, const std::string& place, const ToNative& toNative) {
  if (!entry.is_object()) Fail(place, "a port must be an object");
  for (const auto& [key, value] : entry.items())
    if (!KnownField(key)) Fail(place, "unknown value \"" + key + "\"");
  const std::string name = TextAt(entry, "name", place, toNative);
  if (auto refusal = NameRefusal(name)) Fail(place, *refusal);
  const std::string named = place + " (\"" + name + "\")";
  TransferredPort port = DefaultStoredPort(name);
  for (const PortValue& value : kPortValues)
    if (Carried(value) && (Required(value) || entry.contains(value.name))) ValueAt(entry, value, port, named, toNative);
  return port;
}

// A dotted text of four parts of one to three digits, each at most 255; for a mask the
// first two parts are 255 and its one bits unbroken, for an address one that may be
// asked (unicast), as the Subnets dialog requires.
bool DottedValid(const std::string& text, bool mask) {
  size_t start = 0;
  uint32_t address = 0;
  for (int part = 0; part < 4; ++part) {
    size_t end = part < 3 ? text.find('.', start) : text.size();
    if (end == std::string::npos) return false;
    const std::string digits = text.substr(start, end - start);
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
    const int value = std::stoi(digits);
    if (value > 255 || (mask && part < 2 && value != 255)) return false;
    address = address << 8 | static_cast<uint32_t>(value);
    start = end + 1;
  }
  return mask ? IsContiguousMask(address) : IsUnicastAddress(address);
}

StoredScope ScopeFrom(const Json& scope, const ToNative& toNative) {
  const std::string place = "discovery";
  if (!scope.is_object()) Fail(place, "must be an object or null");
  for (const auto& [key, value] : scope.items())
    if (key != "SubnetMask" && key != "SubnetAddresses") Fail(place, "unknown value \"" + key + "\"");
  StoredScope texts;
  texts.mask = TextAt(scope, "SubnetMask", place, toNative);
  if (!texts.mask.empty() && !DottedValid(texts.mask, true)) Fail(place, "'" + texts.mask + "' is an invalid subnet mask.");
  const Json& addresses = Member(scope, "SubnetAddresses", place);
  if (!addresses.is_array()) Fail(place, "\"SubnetAddresses\" must be a list of texts");
  for (size_t i = 0; i < addresses.size(); ++i) {
    const std::string at = place + ".SubnetAddresses[" + std::to_string(i) + "]";
    if (!addresses[i].is_string()) Fail(at, "must be a text");
    const std::string& address = addresses[i].get_ref<const std::string&>();
    if (!DottedValid(address, false)) Fail(at, "'" + address + "' is an invalid subnet address.");
    texts.addresses.push_back(address);
  }
  return texts;
}

PortTransfer TransferFrom(const Json& document, const ToNative& toNative, const NameOrder& nameLess) {
  const std::string place = "the file";
  if (!document.is_object()) throw Invalid{"the file is not an export of prlport (no object)"};
  auto format = document.find("format");
  if (format == document.end() || *format != kFormat)
    throw Invalid{"the file is not an export of prlport (no \"format\": \"" + std::string(kFormat) + "\")"};
  const Json& version = Member(document, "version", place);
  if (!version.is_number_unsigned() || version.get<uint64_t>() == 0)
    Fail(place, "\"version\" must be a whole number");
  if (version.get<uint64_t>() > kTransferVersion)
    throw Invalid{"the file was written in version " + version.dump() +
                  " of the format; this prlport reads version " + std::to_string(kTransferVersion)};
  for (const auto& [key, value] : document.items())
    if (key != "format" && key != "version" && key != "ports" && key != "discovery")
      Fail(place, "unknown value \"" + key + "\"");

  PortTransfer transfer;
  const Json& ports = Member(document, "ports", place);
  if (!ports.is_array()) Fail(place, "\"ports\" must be a list");
  std::set<std::string, NameOrder> names(nameLess);
  for (size_t i = 0; i < ports.size(); ++i) {
    const std::string at = "ports[" + std::to_string(i) + "]";
    TransferredPort port = PortFrom(ports[i], at, toNative);
    if (!names.insert(port.config.portName).second)
      Fail(at, std::string("the name \"") + port.config.portName + "\" comes twice in the file");
    transfer.ports.push_back(port);
  }
  if (auto scope = document.find("discovery"); scope != document.end() && !scope->is_null())
    transfer.scope = ScopeFrom(*scope, toNative);
  return transfer;
}

// The deepest nesting of arrays and objects, strings skipped; stops counting past `limit`
// so that a hostile file costs no more than one pass.
int NestingDepth(std::string_view text, int limit) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (char c : text) {
    if (inString) {
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
      if (deepest > limit) break;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// Parses a document of bounded depth with no value named twice in one object.
std::optional<Json> ParseBounded(std::string_view text, std::string& error) {
  if (NestingDepth(text, kDeepest) > kDeepest) {
    error = "the file nests deeper than an export of prlport";
    return std::nullopt;
  }
  std::vector<std::set<std::string>> keys;
  bool repeated = false;
  auto watch = [&](int, nlohmann::json::parse_event_t event, Json& parsed) {
    using Event = nlohmann::json::parse_event_t;
    if (event == Event::object_start) keys.emplace_back();
    if (event == Event::object_end && !keys.empty()) keys.pop_back();
    if (event == Event::key && !keys.empty() && !keys.back().insert(parsed.get<std::string>()).second) repeated = true;
    return true;
  };
  try {
    Json document = Json::parse(text.begin(), text.end(), watch);
    if (!repeated) return document;
    error = "the file names a value twice in one object";
  } catch (const nlohmann::json::exception& e) {  // a syntax error, or a number too large for a double
    const std::string what = e.what();  // "[json.exception.parse_error.N] parse error at line L, column C: ..."
    error = "the file is not valid JSON: " + what.substr(what.find("] ") == std::string::npos ? 0 : what.find("] ") + 2);
  }
  return std::nullopt;
}

Json PortObject(const TransferredPort& port, const ToUtf8& toUtf8) {
  Json object{{"name", toUtf8(TextOf(port.config.portName, sizeof port.config.portName))}};
  for (const PortValue& value : kPortValues) {
    if (!ExportsValue(port, value)) continue;
    if (value.type == ValueType::Text) object[value.name] = toUtf8(ValueText(port, value));
    else object[value.name] = ValueNumber(port, value);
  }
  return object;
}

std::string Dumped(const Json& value) { return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n"; }

}  // namespace

std::string WriteTransferJson(const PortTransfer& transfer, const ToUtf8& toUtf8) {
  Json ports = Json::array();
  for (const TransferredPort& port : transfer.ports) ports.push_back(PortObject(port, toUtf8));
  Json scope = nullptr;
  if (transfer.scope) {
    Json addresses = Json::array();
    for (const std::string& address : transfer.scope->addresses) addresses.push_back(toUtf8(address));
    scope = Json{{"SubnetMask", toUtf8(transfer.scope->mask)}, {"SubnetAddresses", addresses}};
  }
  return Dumped(Json{{"format", kFormat}, {"version", kTransferVersion}, {"ports", ports}, {"discovery", scope}});
}

std::string WritePortJson(const TransferredPort& port, const ToUtf8& toUtf8) { return Dumped(PortObject(port, toUtf8)); }

TransferReading ReadTransferJson(std::string_view text, const ToNative& toNative, const NameOrder& nameLess) {
  TransferReading reading;
  if (text.size() > kLargestTransfer) {
    reading.error = "the file is larger than " + std::to_string(kLargestTransfer >> 20) + " MB";
    return reading;
  }
  std::optional<Json> document = ParseBounded(text, reading.error);
  if (!document) return reading;
  try {
    reading.transfer = TransferFrom(*document, toNative, nameLess);
  } catch (const Invalid& invalid) {
    reading.error = invalid.message;
  }
  return reading;
}
