#pragma once
// The bi-directional status words that the monitor keeps in the driver data of each
// printer of a port (their layout and bits: common/BidiWordLayout.h).
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "BidiWordLayout.h"
#include "StatusQuery.h"

struct BidiWords {
  uint32_t control[2] = {};  // status interval in seconds; link bits
  // detected error state of the last answer; stop bits. Nothing: leave the stored value.
  std::optional<std::pair<uint32_t, uint32_t>> status;
};

// The words after a question; `answeredBefore` when the printer has answered earlier in
// this watch, so that silence means the link has stopped.
BidiWords WordsAfter(const PrinterState& state, bool answeredBefore, uint32_t statusIntervalSeconds);

// Writes the words into the printer's driver data; false when the printer is gone.
bool WriteBidiWords(const std::wstring& printer, const BidiWords& words);
void RemoveBidiWords(const std::wstring& printer);

// The words as last written to each printer, so that a printer's words are written only
// when they change, not after every question.
class StoredWords {
 public:
  void Write(const std::wstring& printer, const BidiWords& words);
  void Remove(const std::wstring& printer);

 private:
  std::unordered_map<std::wstring, BidiWords> written_;
};
