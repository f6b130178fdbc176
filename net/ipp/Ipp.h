#pragma once
// IPP messages on the wire (RFC 8010): encoding a request's operation attributes and
// decoding a response. Portable C++ without any system interface, so it is also built for
// the host and fuzzed.
//
// Decoding is strict and bounded: it never reads past the message, checks every length,
// refuses a message over kMaxResponseBytes, and keeps a collection's place without its
// members (nested collections are skipped to a bounded depth).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ipp {

// Delimiter tags (groups) and value tags.
enum class Tag : uint8_t {
  OperationAttributes = 0x01,
  JobAttributes = 0x02,
  EndOfAttributes = 0x03,
  PrinterAttributes = 0x04,
  UnsupportedAttributes = 0x05,
  Unsupported = 0x10,
  Unknown = 0x12,
  NoValue = 0x13,
  Integer = 0x21,
  Boolean = 0x22,
  Enum = 0x23,
  OctetString = 0x30,
  DateTime = 0x31,
  Resolution = 0x32,
  RangeOfInteger = 0x33,
  BeginCollection = 0x34,
  TextWithLanguage = 0x35,
  NameWithLanguage = 0x36,
  EndCollection = 0x37,
  TextWithoutLanguage = 0x41,
  NameWithoutLanguage = 0x42,
  Keyword = 0x44,
  Uri = 0x45,
  UriScheme = 0x46,
  Charset = 0x47,
  NaturalLanguage = 0x48,
  MimeMediaType = 0x49,
  MemberAttrName = 0x4A,
  Extension = 0x7F,
};

enum Operation : uint16_t {
  kPrintJob = 0x0002,
  kValidateJob = 0x0004,
  kCreateJob = 0x0005,
  kSendDocument = 0x0006,
  kCancelJob = 0x0008,
  kGetJobAttributes = 0x0009,
  kGetJobs = 0x000A,
  kGetPrinterAttributes = 0x000B,
};

// status-code classes: 0x0000-0x00FF successful, 0x0400-0x04FF client error,
// 0x0500-0x05FF server error.
inline constexpr uint16_t kSuccessfulOk = 0x0000;
inline constexpr uint16_t kServerErrorBusy = 0x0507;
inline bool Succeeded(uint16_t status) { return status < 0x0100; }

// Limits that a response must respect.
inline constexpr size_t kMaxResponseBytes = 1 << 20;
inline constexpr size_t kMaxCollectionDepth = 16;

// One value as it came: integer, enum and boolean also as `integer`; every other type
// (text, keyword, uri, octetString, dateTime, resolution, range...) as its bytes.
// A collection is kept as a single value of tag BeginCollection without its members.
struct Value {
  Tag tag = Tag::NoValue;
  std::string bytes;
  int32_t integer = 0;
};

struct Attribute {
  std::string name;
  std::vector<Value> values;

  // The first value's text, or "" when there is none.
  std::string Text() const { return values.empty() ? std::string() : values.front().bytes; }
  // Every value's integer (integer, enum, boolean tags); others are left out.
  std::vector<int32_t> Integers() const;
  // Every value's bytes (text-like tags); others are left out.
  std::vector<std::string> Texts() const;
};

struct Group {
  Tag tag = Tag::OperationAttributes;
  std::vector<Attribute> attributes;
  const Attribute* Find(std::string_view name) const;
};

struct Response {
  uint8_t major = 0, minor = 0;
  uint16_t status = 0;
  int32_t requestId = 0;
  std::vector<Group> groups;

  // The first attribute of that name in the first group of that tag.
  const Attribute* Find(Tag group, std::string_view name) const;
  // The operation attributes' status-message, or "".
  std::string StatusMessage() const;
};

// An extra operation attribute of a request (e.g. last-document, which-jobs).
struct ExtraAttribute {
  Tag tag = Tag::Keyword;
  std::string name;
  std::vector<std::string> values;  // integer, enum: decimal text; boolean: "true"/"false"
};

// A request's operation attributes, written in this order: attributes-charset (utf-8),
// attributes-natural-language (en), printer-uri, job-id, requesting-user-name, job-name,
// document-format, requested-attributes, then `extra`. An empty text or no job-id
// leaves its attribute out.
struct Request {
  uint16_t operation = kGetPrinterAttributes;
  int32_t requestId = 1;
  uint8_t major = 2, minor = 0;
  std::string printerUri;
  std::optional<int32_t> jobId;
  std::string userName;
  std::string jobName;
  std::string documentFormat;
  std::vector<std::string> requestedAttributes;
  std::vector<ExtraAttribute> extra;
};

// The request up to and including end-of-attributes-tag; a document follows it.
std::vector<uint8_t> EncodeRequest(const Request& request);

// A response, or nullopt for anything malformed or over the limits. Bytes after
// end-of-attributes-tag (a document) are not read.
std::optional<Response> DecodeResponse(std::span<const uint8_t> message);

// An ipp:// or ipps:// URI: scheme, host (an IPv6 address without its brackets), port
// (631 when none), path ("/" when none).
struct Uri {
  bool secure = false;
  std::string host;
  uint16_t port = 631;
  std::string path = "/";
};
inline constexpr uint16_t kDefaultPort = 631;
// Nullopt for another scheme, no host, a bad port, or characters outside printable ASCII.
std::optional<Uri> ParseUri(std::string_view text);

}  // namespace ipp
