#include "IppUri.h"

#include <algorithm>
#include <cctype>

#include "PortValues.h"

namespace {

constexpr unsigned kIppDefaultPort = 631;

bool Printable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

bool Digits(std::string_view text) {
  return !text.empty() && text.size() <= 5 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A host name's or IPv4 address's characters, or a bracketed IPv6 address's.
bool HostForm(std::string_view host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    return std::all_of(host.begin() + 1, host.end() - 1, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; });
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
  });
}

}  // namespace

std::optional<IppUriParts> ParseIppUri(std::string_view uri) {
  if (!Printable(uri)) return std::nullopt;
  IppUriParts parts{};
  if (uri.starts_with("ipps://")) {
    parts.secure = true;
    uri.remove_prefix(7);
  } else if (uri.starts_with("ipp://")) {
    uri.remove_prefix(6);
  } else {
    return std::nullopt;
  }
  const size_t slash = uri.find('/');
  parts.path = slash == std::string_view::npos ? "/" : std::string(uri.substr(slash));
  std::string_view authority = uri.substr(0, slash);
  const size_t colon = authority.rfind(':');
  parts.port = kIppDefaultPort;
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    if (!Digits(port) || std::stoul(std::string(port)) == 0 || std::stoul(std::string(port)) > 65535) return std::nullopt;
    parts.port = static_cast<unsigned>(std::stoul(std::string(port)));
    authority = authority.substr(0, colon);
  }
  if (!HostForm(authority) || parts.path.find_first_of("#?") != std::string::npos) return std::nullopt;
  parts.host = std::string(authority);
  return parts;
}

std::optional<std::string> IppUriRefusal(std::string_view uri) {
  if (uri.empty() || ParseIppUri(uri)) return std::nullopt;
  return "must be ipp:// or ipps:// with a host, an optional :port (1 to 65535) and /path, printable ASCII";
}

std::optional<std::string> DocumentFormatRefusal(std::string_view format) {
  const size_t slash = format.find('/');
  if (Printable(format) && slash != std::string_view::npos && slash > 0 && slash + 1 < format.size() &&
      format.find('/', slash + 1) == std::string_view::npos)
    return std::nullopt;
  return "must be a media type such as application/octet-stream";
}

std::optional<std::string> FingerprintRefusal(std::string_view fingerprint) {
  if (fingerprint.empty() ||
      (fingerprint.size() == kFingerprintDigits &&
       std::all_of(fingerprint.begin(), fingerprint.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })))
    return std::nullopt;
  return "must be a SHA-256 fingerprint of 64 hexadecimal digits";
}
