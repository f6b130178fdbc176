#pragma once
// The forms of an IPP port's texts: the printer's URI, the document format, and a
// certificate's fingerprint. Portable, as the table of values that checks them.
#include <optional>
#include <string>
#include <string_view>

// An "ipp://" or "ipps://" URI as a port stores it: host (a name, an IPv4 address or a
// bracketed IPv6 one), an optional port from 1 to 65535, an optional path from "/";
// printable ASCII without blanks.
struct IppUriParts {
  bool secure;  // ipps: over TLS
  std::string host;
  unsigned port;  // 631 when the URI names none
  std::string path;  // "/" when the URI names none
};

std::optional<IppUriParts> ParseIppUri(std::string_view uri);

// Why a text cannot be stored as the value, in words that follow its quoted name;
// nothing when it can. An empty URI is a port that is not IPP.
std::optional<std::string> IppUriRefusal(std::string_view uri);
std::optional<std::string> DocumentFormatRefusal(std::string_view format);  // type/subtype
std::optional<std::string> FingerprintRefusal(std::string_view fingerprint);  // empty or 64 hex digits
