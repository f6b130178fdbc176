#pragma once
// The forms of an IPP port's texts: the printer's URI (the IPP codec's form: ipp:// or
// ipps://, a host, an optional port, printable ASCII), the document format, and a
// certificate's fingerprint. Portable, as the table of values that checks them. Each
// says why a text cannot be stored as its value, in words that follow the value's quoted
// name; nothing when it can.
#include <optional>
#include <string>
#include <string_view>

std::optional<std::string> IppUriRefusal(std::string_view uri);  // empty: a port that is not IPP
std::optional<std::string> DocumentFormatRefusal(std::string_view format);  // type/subtype
std::optional<std::string> FingerprintRefusal(std::string_view fingerprint);  // empty or 64 hex digits
