#include "SecretsFile.h"

#include <iostream>
#include <iterator>
#include <sstream>

#include "CommandLine.h"
#include "WholeFile.h"

namespace {

constexpr size_t kLargestSecretsFile = 1u << 20;
constexpr size_t kShortestPassphrase = 8;  // RFC 3414, 11.2

std::string TextOf(const std::string& path) {
  if (path != "-") return ReadWholeFile(path, kLargestSecretsFile);
  return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

std::string Named(const std::string& path) { return path == "-" ? std::string("standard input") : path; }

const std::string& Needed(const std::string& phrase, const char* which, const UsmUser& user, const std::string& path) {
  if (phrase.empty())
    Refuse(Named(path) + " has no " + which + " pass phrase for the SNMPv3 user " + user.name);
  if (phrase.size() < kShortestPassphrase)
    Refuse("the " + std::string(which) + " pass phrase of the SNMPv3 user " + user.name + " in " + Named(path) +
           " is shorter than 8 characters");
  return phrase;
}

}  // namespace

SecretsFile SecretsFile::Read(const std::string& path) {
  SecretsFile secrets;
  secrets.path_ = path;
  std::istringstream lines(TextOf(path));
  std::string line;
  for (unsigned number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    const size_t first = line.find(' '), second = first == std::string::npos ? first : line.find(' ', first + 1);
    const std::string kind = second == std::string::npos ? std::string() : line.substr(first + 1, second - first - 1);
    if (first == 0 || (kind != "auth" && kind != "priv"))
      Refuse(Named(path) + ", line " + std::to_string(number) + ": not of the form USER auth|priv PASS PHRASE");
    UsmUser& user = secrets.users_[line.substr(0, first)];
    (kind == "auth" ? user.authPassphrase : user.privPassphrase) = line.substr(second + 1);
  }
  return secrets;
}

void SecretsFile::FillIn(UsmUser& user) const {
  auto found = users_.find(user.name);
  const UsmUser none;
  const UsmUser& phrases = found == users_.end() ? none : found->second;
  user.authPassphrase = user.level == UsmLevel::NoAuthNoPriv ? "" : Needed(phrases.authPassphrase, "auth", user, path_);
  user.privPassphrase = user.level == UsmLevel::AuthPriv ? Needed(phrases.privPassphrase, "priv", user, path_) : "";
}
