#pragma once
// Port names compare as the registry compares key names: ordinal, without regard to
// letter case, whatever the user's locale (no linguistic rules: "strasse" is not
// "straße", and no character is ignored).
#include <string>
#include <string_view>

bool SamePortName(std::wstring_view a, std::wstring_view b);
// ANSI names, in the system's code page.
bool SamePortName(std::string_view a, std::string_view b);
// The same comparison as an order, for maps keyed by port name.
struct PortNameLess {
  bool operator()(std::string_view a, std::string_view b) const;
  bool operator()(std::wstring_view a, std::wstring_view b) const;
};
