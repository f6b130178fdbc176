#include "Ipp.h"

#include <charconv>

namespace ipp {
namespace {

// ---- Encoding ---------------------------------------------------------------------------

void PutShort(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutLong(std::vector<uint8_t>& out, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(bits >> shift));
}

// One value; the first of an attribute carries its name, the others an empty one. Texts
// are cut at the 16-bit length the wire can carry.
void PutValue(std::vector<uint8_t>& out, Tag tag, std::string_view name, std::string_view bytes) {
  name = name.substr(0, 0xFFFF);
  bytes = bytes.substr(0, 0xFFFF);
  out.push_back(static_cast<uint8_t>(tag));
  PutShort(out, static_cast<uint16_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  PutShort(out, static_cast<uint16_t>(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::string IntegerBytes(int32_t value) {
  std::vector<uint8_t> bytes;
  PutLong(bytes, value);
  return std::string(bytes.begin(), bytes.end());
}

// An extra attribute's value as its tag wants it on the wire.
std::string ExtraBytes(Tag tag, const std::string& text) {
  if (tag == Tag::Boolean) return std::string(1, text == "true" ? '\x01' : '\x00');
  if (tag != Tag::Integer && tag != Tag::Enum) return text;
  int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return IntegerBytes(value);
}

void PutTexts(std::vector<uint8_t>& out, Tag tag, std::string_view name, const std::vector<std::string>& values) {
  for (size_t i = 0; i < values.size(); ++i) PutValue(out, tag, i == 0 ? name : std::string_view(), ExtraBytes(tag, values[i]));
}

void PutText(std::vector<uint8_t>& out, Tag tag, std::string_view name, const std::string& value) {
  if (!value.empty()) PutValue(out, tag, name, value);
}

// ---- Decoding ---------------------------------------------------------------------------

// A read cursor over bytes that can never move past its end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool AtEnd() const { return bytes_.empty(); }
  uint8_t Peek() const { return bytes_[0]; }

  bool Byte(uint8_t& value) {
    if (bytes_.empty()) return false;
    value = bytes_[0];
    bytes_ = bytes_.subspan(1);
    return true;
  }
  bool Short(uint16_t& value) {
    std::span<const uint8_t> two;
    if (!Bytes(2, two)) return false;
    value = static_cast<uint16_t>(two[0] << 8 | two[1]);
    return true;
  }
  bool Long(int32_t& value) {
    std::span<const uint8_t> four;
    if (!Bytes(4, four)) return false;
    value = static_cast<int32_t>(static_cast<uint32_t>(four[0]) << 24 | static_cast<uint32_t>(four[1]) << 16 |
                                 static_cast<uint32_t>(four[2]) << 8 | four[3]);
    return true;
  }
  bool Bytes(size_t count, std::span<const uint8_t>& out) {
    if (bytes_.size() < count) return false;
    out = bytes_.first(count);
    bytes_ = bytes_.subspan(count);
    return true;
  }
  // A 16-bit length and that many bytes.
  bool Counted(std::string& out) {
    uint16_t length = 0;
    std::span<const uint8_t> bytes;
    if (!Short(length) || !Bytes(length, bytes)) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
};

bool IsDelimiter(uint8_t tag) { return tag <= 0x0F; }

int32_t BigEndian(const std::string& bytes) {
  uint32_t value = 0;
  for (unsigned char byte : bytes) value = value << 8 | byte;
  return static_cast<int32_t>(value);
}

// Integer and enum take four bytes, boolean one; a value of another size is malformed.
bool TakeNumber(Value& value) {
  switch (value.tag) {
    case Tag::Integer:
    case Tag::Enum:
      if (value.bytes.size() != 4) return false;
      value.integer = BigEndian(value.bytes);
      return true;
    case Tag::Boolean:
      if (value.bytes.size() != 1) return false;
      value.integer = static_cast<unsigned char>(value.bytes[0]);
      return true;
    default: return true;
  }
}

// The rest of a collection after its begCollection value: member names and values,
// nested collections, down to its endCollection. Nothing of it is kept.
bool SkipCollection(Reader& reader) {
  size_t depth = 1;
  while (depth > 0) {
    uint8_t tag = 0;
    std::string name, bytes;
    if (!reader.Byte(tag) || IsDelimiter(tag) || !reader.Counted(name) || !reader.Counted(bytes)) return false;
    if (tag == static_cast<uint8_t>(Tag::BeginCollection) && ++depth > kMaxCollectionDepth) return false;
    if (tag == static_cast<uint8_t>(Tag::EndCollection)) --depth;
  }
  return true;
}

// One attribute-with-one-value or additional-value into its group.
bool TakeValue(Reader& reader, Group& group) {
  Value value;
  uint8_t tag = 0;
  std::string name;
  if (!reader.Byte(tag) || !reader.Counted(name) || !reader.Counted(value.bytes)) return false;
  value.tag = static_cast<Tag>(tag);
  if (value.tag == Tag::EndCollection || value.tag == Tag::MemberAttrName || !TakeNumber(value)) return false;
  if (value.tag == Tag::BeginCollection) {
    value.bytes.clear();
    if (!SkipCollection(reader)) return false;
  }
  if (name.empty()) {
    if (group.attributes.empty()) return false;  // an additional value needs an attribute
  } else {
    group.attributes.push_back({std::move(name), {}});
  }
  group.attributes.back().values.push_back(std::move(value));
  return true;
}

bool IsText(Tag tag) { return static_cast<uint8_t>(tag) >= 0x30 && tag != Tag::BeginCollection && tag != Tag::EndCollection; }

}  // namespace

std::vector<int32_t> Attribute::Integers() const {
  std::vector<int32_t> numbers;
  for (const Value& value : values)
    if (value.tag == Tag::Integer || value.tag == Tag::Enum || value.tag == Tag::Boolean) numbers.push_back(value.integer);
  return numbers;
}

std::vector<std::string> Attribute::Texts() const {
  std::vector<std::string> texts;
  for (const Value& value : values)
    if (IsText(value.tag)) texts.push_back(value.bytes);
  return texts;
}

const Attribute* Group::Find(std::string_view name) const {
  for (const Attribute& attribute : attributes)
    if (attribute.name == name) return &attribute;
  return nullptr;
}

const Attribute* Response::Find(Tag group, std::string_view name) const {
  for (const Group& each : groups)
    if (each.tag == group) return each.Find(name);
  return nullptr;
}

std::string Response::StatusMessage() const {
  const Attribute* message = Find(Tag::OperationAttributes, "status-message");
  return message ? message->Text() : std::string();
}

std::vector<uint8_t> EncodeRequest(const Request& request) {
  std::vector<uint8_t> out = {request.major, request.minor};
  PutShort(out, request.operation);
  PutLong(out, request.requestId);
  out.push_back(static_cast<uint8_t>(Tag::OperationAttributes));
  PutValue(out, Tag::Charset, "attributes-charset", "utf-8");
  PutValue(out, Tag::NaturalLanguage, "attributes-natural-language", "en");
  PutText(out, Tag::Uri, "printer-uri", request.printerUri);
  if (request.jobId) PutValue(out, Tag::Integer, "job-id", IntegerBytes(*request.jobId));
  PutText(out, Tag::NameWithoutLanguage, "requesting-user-name", request.userName);
  PutText(out, Tag::NameWithoutLanguage, "job-name", request.jobName);
  PutText(out, Tag::MimeMediaType, "document-format", request.documentFormat);
  PutTexts(out, Tag::Keyword, "requested-attributes", request.requestedAttributes);
  for (const ExtraAttribute& extra : request.extra) PutTexts(out, extra.tag, extra.name, extra.values);
  out.push_back(static_cast<uint8_t>(Tag::EndOfAttributes));
  return out;
}

std::optional<Response> DecodeResponse(std::span<const uint8_t> message) {
  if (message.size() > kMaxResponseBytes) return std::nullopt;
  Reader reader(message);
  Response response;
  if (!reader.Byte(response.major) || !reader.Byte(response.minor) || !reader.Short(response.status) ||
      !reader.Long(response.requestId))
    return std::nullopt;
  for (;;) {
    if (reader.AtEnd()) return std::nullopt;  // no end-of-attributes-tag
    const uint8_t tag = reader.Peek();
    if (tag == static_cast<uint8_t>(Tag::EndOfAttributes)) return response;
    if (IsDelimiter(tag)) {
      uint8_t ignored = 0;
      reader.Byte(ignored);
      if (tag == 0x00) return std::nullopt;  // reserved
      response.groups.push_back({static_cast<Tag>(tag), {}});
      continue;
    }
    if (response.groups.empty() || !TakeValue(reader, response.groups.back())) return std::nullopt;
  }
}

std::optional<Uri> ParseUri(std::string_view text) {
  for (char c : text)
    if (c <= ' ' || c > '~') return std::nullopt;
  Uri uri;
  if (text.starts_with("ipps://")) {
    uri.secure = true;
    text.remove_prefix(7);
  } else if (text.starts_with("ipp://")) {
    text.remove_prefix(6);
  } else {
    return std::nullopt;
  }
  const size_t slash = text.find('/');
  std::string_view authority = text.substr(0, slash);
  if (slash != std::string_view::npos) uri.path = std::string(text.substr(slash));
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  std::optional<std::string_view> port;
  if (authority.starts_with('[')) {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    uri.host = std::string(authority.substr(1, close - 1));
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
  } else {
    const size_t colon = authority.find(':');
    uri.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) port = authority.substr(colon + 1);
  }
  if (uri.host.empty()) return std::nullopt;
  if (port) {
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port->data(), port->data() + port->size(), number);
    if (error != std::errc() || end != port->data() + port->size() || number == 0 || number > 0xFFFF)
      return std::nullopt;
    uri.port = static_cast<uint16_t>(number);
  }
  return uri;
}

}  // namespace ipp
