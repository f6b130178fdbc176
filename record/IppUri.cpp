#include "IppUri.h"

#include <algorithm>
#include <cctype>

#include "Ipp.h"
#include "PortValues.h"

namespace {

bool Printable(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

}  // namespace

std::optional<std::string> IppUriRefusal(std::string_view uri) {
  if (uri.empty() || ipp::ParseUri(uri)) return std::nullopt;
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
