#pragma once
// prlport's command line: the words after the program's name, read one at a time.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a command ends; the exit code of prlport.
enum ExitCode { kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitSystem = 3 };

// Ends a command with an exit code and a message for standard error.
struct CommandFailure {
  ExitCode code;
  std::string message;
};

[[noreturn]] void Refuse(const std::string& message);
[[noreturn]] void UsageFailure(const std::string& message);
[[noreturn]] void SystemFailure(const std::string& what, unsigned long error);
// The system's text for an error code on one line, with the code.
std::string SystemErrorLine(unsigned long error);

class CommandLine {
 public:
  explicit CommandLine(std::vector<std::string> words) : m_words(std::move(words)) {}
  bool Done() const { return m_next >= m_words.size(); }
  // The next word; a usage failure naming `what` when there is none.
  std::string Take(const char* what);
  // The next word when it is an option ("--..."), else nothing and nothing taken.
  std::optional<std::string> TakeOption();
  // The next word when it is not an option, else nothing and nothing taken.
  std::optional<std::string> TakeArgument();
  // Takes the flag from wherever it stands among the words not taken yet; false when absent.
  bool TakeFlag(const std::string& flag);
  // The value that follows an option.
  std::string TakeValue(const std::string& option);

 private:
  std::vector<std::string> m_words;
  size_t m_next = 0;
};

// A decimal number of digits only, at most `limit`; refused otherwise, naming `what`.
unsigned NumberOf(const std::string& text, unsigned limit, const std::string& what);
// A text that fits a field of `capacity` bytes; refused otherwise.
const std::string& FittingText(const std::string& text, size_t capacity, const std::string& what);

// A field of comma-separated output, quoted when it holds a comma, quote or line break.
// One that starts as a spreadsheet formula (= + - @, tab, carriage return) is quoted
// with an apostrophe first, so that a spreadsheet shows it as text and runs nothing.
std::string CsvField(const std::string& text);
// Text from the network as a console may show it: control characters (an escape
// sequence, a line break) become blanks.
std::string ConsoleText(std::string_view text);
// The community of --community-file: the first line of the file, or of standard input
// for "-".
std::string CommunityFromFile(const std::string& path);
