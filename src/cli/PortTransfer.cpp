#include "PortTransfer.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <unordered_set>

#include "AddressClass.h"
#include "TextField.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr char kFormat[] = "Pralo TCP/IP Port ports";
// A document nests three levels (document, ports, port); more is no document of ours.
constexpr int kDeepest = 4;

constexpr uint32_t kLargestPort = 65535;
constexpr uint32_t kLargestInterval = 999;  // the configuration dialog's three digits

const std::set<std::string> kPortKeys = {"name",        "DeviceIP",       "CommunityName",  "Protocal",
                                         "LprQueue",    "LprByteCounting", "RawPortNumber", "BiDiEnabled",
                                         "ConfigUpdateInt", "StatusUpdateInt", "SnmpUpdated"};

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

std::string TextAt(const Json& object, const char* name, size_t capacity, const std::string& place,
                   const ToNative& toNative) {
  const Json& value = Member(object, name, place);
  if (!value.is_string()) Fail(place, std::string("\"") + name + "\" must be a text");
  std::optional<std::string> text = toNative(value.get_ref<const std::string&>());
  if (!text) Fail(place, std::string("\"") + name + "\" holds characters that this system's code page lacks");
  if (text->find('\0') != std::string::npos) Fail(place, std::string("\"") + name + "\" holds a NUL character");
  if (text->size() >= capacity)
    Fail(place, std::string("\"") + name + "\" is longer than " + std::to_string(capacity - 1) + " characters");
  return *text;
}

uint32_t NumberAt(const Json& object, const char* name, uint32_t limit, const std::string& place) {
  const Json& value = Member(object, name, place);
  if (!value.is_number_unsigned() || value.get<uint64_t>() > limit)
    Fail(place, std::string("\"") + name + "\" must be a whole number from 0 to " + std::to_string(limit));
  return static_cast<uint32_t>(value.get<uint64_t>());
}

// Letter case folded as the registry's key names ignore it (for ASCII letters).
std::string Folded(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

TransferredPort PortFrom(const Json& entry, const std::string& place, const ToNative& toNative) {
  if (!entry.is_object()) Fail(place, "a port must be an object");
  for (const auto& [key, value] : entry.items())
    if (kPortKeys.count(key) == 0) Fail(place, "unknown value \"" + key + "\"");
  TransferredPort port;
  PortConfig& config = port.config;
  const std::string name = TextAt(entry, "name", sizeof config.portName, place, toNative);
  if (name.empty()) Fail(place, "the port name is empty");
  if (name.find_first_of("\\,") != std::string::npos) Fail(place, "a port name cannot hold a backslash or a comma");
  const std::string named = place + " (\"" + name + "\")";
  config = PortConfig{};
  config.modelIndex = -1;
  CopyText(config.portName, name);
  const std::string address = TextAt(entry, "DeviceIP", sizeof config.deviceIP, named, toNative);
  if (address.empty()) Fail(named, "\"DeviceIP\" is empty");
  CopyText(config.deviceIP, address);
  CopyText(config.communityName, TextAt(entry, "CommunityName", sizeof config.communityName, named, toNative));
  CopyText(config.lprQueue, TextAt(entry, "LprQueue", sizeof config.lprQueue, named, toNative));
  config.protocol = NumberAt(entry, "Protocal", kProtocolRaw, named);
  if (config.protocol != kProtocolRaw && config.protocol != kProtocolLpr)
    Fail(named, "\"Protocal\" must be 9100 (raw) or 515 (LPR)");
  config.lprByteCounting = NumberAt(entry, "LprByteCounting", 1, named);
  config.rawPortNumber = NumberAt(entry, "RawPortNumber", kLargestPort, named);
  config.biDiEnabled = NumberAt(entry, "BiDiEnabled", 1, named);
  config.configUpdateInt = NumberAt(entry, "ConfigUpdateInt", kLargestInterval, named);
  config.statusUpdateInt = NumberAt(entry, "StatusUpdateInt", kLargestInterval, named);
  port.snmpUpdated = entry.contains("SnmpUpdated") ? NumberAt(entry, "SnmpUpdated", 1, named) : 0;
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
  texts.mask = TextAt(scope, "SubnetMask", 16, place, toNative);
  if (!DottedValid(texts.mask, true)) Fail(place, "'" + texts.mask + "' is an invalid subnet mask.");
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

PortTransfer TransferFrom(const Json& document, const ToNative& toNative) {
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
  std::unordered_set<std::string> names;
  for (size_t i = 0; i < ports.size(); ++i) {
    const std::string at = "ports[" + std::to_string(i) + "]";
    TransferredPort port = PortFrom(ports[i], at, toNative);
    if (!names.insert(Folded(port.config.portName)).second)
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
  const PortConfig& config = port.config;
  auto text = [&](const char* field, size_t size) { return toUtf8(TextOf(field, size)); };
  return Json{{"name", text(config.portName, sizeof config.portName)},
              {"DeviceIP", text(config.deviceIP, sizeof config.deviceIP)},
              {"CommunityName", text(config.communityName, sizeof config.communityName)},
              {"Protocal", config.protocol},
              {"LprQueue", text(config.lprQueue, sizeof config.lprQueue)},
              {"LprByteCounting", config.lprByteCounting},
              {"RawPortNumber", config.rawPortNumber},
              {"BiDiEnabled", config.biDiEnabled},
              {"ConfigUpdateInt", config.configUpdateInt},
              {"StatusUpdateInt", config.statusUpdateInt},
              {"SnmpUpdated", port.snmpUpdated}};
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

TransferReading ReadTransferJson(std::string_view text, const ToNative& toNative) {
  TransferReading reading;
  if (text.size() > kLargestTransfer) {
    reading.error = "the file is larger than " + std::to_string(kLargestTransfer >> 20) + " MB";
    return reading;
  }
  std::optional<Json> document = ParseBounded(text, reading.error);
  if (!document) return reading;
  try {
    reading.transfer = TransferFrom(*document, toNative);
  } catch (const Invalid& invalid) {
    reading.error = invalid.message;
  }
  return reading;
}
