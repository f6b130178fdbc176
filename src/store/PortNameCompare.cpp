#include "PortNameCompare.h"

#include <windows.h>

std::wstring WidePortName(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                   static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length > 0 ? length : 0));
  return wide;
}

namespace {

int ComparePortNames(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
}

}  // namespace

bool SamePortName(std::wstring_view a, std::wstring_view b) { return ComparePortNames(a, b) == CSTR_EQUAL; }

bool SamePortName(std::string_view a, std::string_view b) { return SamePortName(WidePortName(a), WidePortName(b)); }

bool PortNameLess::operator()(std::string_view a, std::string_view b) const {
  return ComparePortNames(WidePortName(a), WidePortName(b)) == CSTR_LESS_THAN;
}
