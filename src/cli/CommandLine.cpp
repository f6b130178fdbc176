#include "CommandLine.h"

#include <fstream>
#include <iostream>

#include "SystemErrorText.h"

void Refuse(const std::string& message) { throw CommandFailure{kExitRefused, message}; }
void UsageFailure(const std::string& message) { throw CommandFailure{kExitUsage, message}; }
std::string SystemErrorLine(unsigned long error) {
  std::string text = SystemErrorText(error);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text + " (error " + std::to_string(error) + ")";
}

void SystemFailure(const std::string& what, unsigned long error) {
  throw CommandFailure{kExitSystem, what + ": " + SystemErrorLine(error)};
}

std::string CommandLine::Take(const char* what) {
  if (Done()) UsageFailure(std::string("missing ") + what);
  return m_words[m_next++];
}

std::optional<std::string> CommandLine::TakeOption() {
  if (Done() || m_words[m_next].rfind("--", 0) != 0) return std::nullopt;
  return m_words[m_next++];
}

std::optional<std::string> CommandLine::TakeArgument() {
  if (Done() || m_words[m_next].rfind("--", 0) == 0) return std::nullopt;
  return m_words[m_next++];
}

bool CommandLine::TakeFlag(const std::string& flag) {
  for (size_t i = m_next; i < m_words.size(); ++i) {
    if (m_words[i] != flag) continue;
    m_words.erase(m_words.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  return false;
}

std::string CommandLine::TakeValue(const std::string& option) {
  if (Done()) UsageFailure("missing value after " + option);
  return m_words[m_next++];
}

unsigned NumberOf(const std::string& text, unsigned limit, const std::string& what) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    Refuse(what + " must be a number from 0 to " + std::to_string(limit) + ": " + text);
  unsigned long long value = std::stoull(text);
  if (value > limit) Refuse(what + " must be a number from 0 to " + std::to_string(limit) + ": " + text);
  return static_cast<unsigned>(value);
}

const std::string& FittingText(const std::string& text, size_t capacity, const std::string& what) {
  if (text.size() >= capacity)
    Refuse(what + " is longer than " + std::to_string(capacity - 1) + " characters");
  return text;
}

std::string CsvField(const std::string& text) {
  const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
  if (!formula && text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = formula ? "\"'" : "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string ConsoleText(std::string_view text) {
  std::string shown(text);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return shown;
}

std::string CommunityFromFile(const std::string& path) {
  std::string line;
  if (path == "-") {
    std::getline(std::cin, line);
  } else {
    std::ifstream file(path, std::ios::binary);
    if (!file) Refuse("the community file " + path + " cannot be read");
    std::getline(file, line);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}
