#pragma once
// The pass phrases of SNMPv3 users, which prlport takes only from a file or standard
// input, never from its command line (where every process listing shows them). One file
// serves one machine or a fleet: a line per pass phrase,
//
//   USER auth PASS PHRASE     the authentication pass phrase of USER (the rest of the line)
//   USER priv PASS PHRASE     its privacy pass phrase
//
// blank lines and lines that start with # aside.
#include <map>
#include <string>

#include "UsmUser.h"

class SecretsFile {
 public:
  // Reads the file, or standard input for "-"; refused, naming the line but never its
  // text, when a line is not of that form.
  static SecretsFile Read(const std::string& path);

  // Gives the user the pass phrases its level needs from the file; refused when one is
  // missing or shorter than RFC 3414's 8 characters.
  void FillIn(UsmUser& user) const;

 private:
  std::string path_;
  std::map<std::string, UsmUser> users_;  // pass phrases only
};
