#pragma once
// A printer's "Port" list: port names separated by commas, as the spooler stores and
// reports it. Any length: a printer on many ports has a long list.
#include <string_view>
#include <vector>

// The names of the list, blanks and tabs around each trimmed, empty entries left out.
template <typename Char>
std::vector<std::basic_string_view<Char>> PortListEntries(std::basic_string_view<Char> list) {
  constexpr Char kBlanks[] = {' ', '\t', '\0'};
  std::vector<std::basic_string_view<Char>> entries;
  for (size_t start = 0; start <= list.size();) {
    size_t comma = list.find(Char(','), start);
    if (comma == std::basic_string_view<Char>::npos) comma = list.size();
    std::basic_string_view<Char> entry = list.substr(start, comma - start);
    const size_t first = entry.find_first_not_of(kBlanks);
    if (first != std::basic_string_view<Char>::npos)
      entries.push_back(entry.substr(first, entry.find_last_not_of(kBlanks) - first + 1));
    start = comma + 1;
  }
  return entries;
}
