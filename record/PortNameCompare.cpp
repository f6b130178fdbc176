#include "PortNameCompare.h"

#include <windows.h>

#include "AnsiText.h"

namespace {

int ComparePortNames(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
}

}  // namespace

bool SamePortName(std::wstring_view a, std::wstring_view b) { return ComparePortNames(a, b) == CSTR_EQUAL; }

bool SamePortName(std::string_view a, std::string_view b) { return SamePortName(WideText(a), WideText(b)); }

bool PortNameLess::operator()(std::string_view a, std::string_view b) const {
  return ComparePortNames(WideText(a), WideText(b)) == CSTR_LESS_THAN;
}

bool PortNameLess::operator()(std::wstring_view a, std::wstring_view b) const {
  return ComparePortNames(a, b) == CSTR_LESS_THAN;
}
