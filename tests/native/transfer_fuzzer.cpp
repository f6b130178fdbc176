// libFuzzer entry: any file is read without a fault, and whatever reads as good writes
// back to a document that reads the same.
#include <algorithm>
#include <cstddef>
#include <cctype>
#include <cstdint>

#include "PortTransfer.h"

namespace {
std::string Same(std::string_view text) { return std::string(text); }
// The registry's order of names, for the ASCII letters of these documents.
bool CaseBlindLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y)); });
}
std::optional<std::string> Native(std::string_view text) { return std::string(text); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TransferReading first = ReadTransferJson(std::string_view(reinterpret_cast<const char*>(data), size), Native, CaseBlindLess);
  if (!first.error.empty()) return 0;
  TransferReading again = ReadTransferJson(WriteTransferJson(first.transfer, Same), Native, CaseBlindLess);
  if (!again.error.empty() || again.transfer.ports.size() != first.transfer.ports.size()) __builtin_trap();
  for (size_t i = 0; i < first.transfer.ports.size(); ++i)
    if (WritePortJson(again.transfer.ports[i], Same) != WritePortJson(first.transfer.ports[i], Same))
      __builtin_trap();
  return 0;
}
