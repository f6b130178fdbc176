#pragma once
// The bi-directional status words that the monitor keeps in the driver data of each
// printer of a port: "PbdControl" and "PbdStatus", REG_BINARY of two little-endian
// 32-bit words each. The configuration dialog reads the second word of each.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "StatusQuery.h"

// "PbdControl", second word: the link's two ends. Established when both are set.
inline constexpr uint32_t kControlWatched = 0x1;         // the monitor watches the port
inline constexpr uint32_t kControlAnswered = 0x2;        // the printer answered the last question
inline constexpr uint32_t kControlReportsStatus = 0x4;   // ... with its Host Resources status
inline constexpr uint32_t kControlReportsSupplies = 0x8; // ... and its supplies' levels

// "PbdStatus", second word: why bi-directional communication has stopped; 0 while the
// printer answers.
inline constexpr uint32_t kStoppedNoAnswer = 0x1;   // the printer answered before, not now
inline constexpr uint32_t kStoppedUnresolved = 0x2; // its address no longer resolves
inline constexpr uint32_t kStoppedNoSocket = 0x4;   // the system gave no socket to ask with

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
