#pragma once
// The bi-directional status words that the monitor keeps in the driver data of each
// printer of a watched port (under `Printers\<printer>\PrinterDriverData`), and that the
// configuration dialog reads: "PbdControl" and "PbdStatus", REG_BINARY of two
// little-endian 32-bit words each.
//
//   "PbdControl"  first: the status interval in seconds;  second: the link bits below
//   "PbdStatus"   first: the printer's detected error state of the last answer, its first
//                 octet in bits 8 to 15;  second: the stop bits below, 0 while it answers
#include <cstdint>

inline constexpr char kPbdControlValue[] = "PbdControl";
inline constexpr char kPbdStatusValue[] = "PbdStatus";
inline constexpr wchar_t kPbdControlValueW[] = L"PbdControl";
inline constexpr wchar_t kPbdStatusValueW[] = L"PbdStatus";
inline constexpr uint32_t kBidiWordsSize = 8;  // bytes of each value: two words

// "PbdControl", second word.
inline constexpr uint32_t kControlWatched = 0x1;          // the monitor watches the port
inline constexpr uint32_t kControlAnswered = 0x2;         // the printer answered the last question
inline constexpr uint32_t kControlReportsStatus = 0x4;    // ... with its Host Resources status
inline constexpr uint32_t kControlReportsSupplies = 0x8;  // ... and its supplies' levels
// A link that its writer reports established outright; the monitor never sets it.
inline constexpr uint32_t kControlLinkEstablished = 0x01000000;

// The link counts as established when that bit is set, or the monitor watches the port
// and the printer answered.
inline constexpr bool IsLinkEstablished(uint32_t controlWord) {
  return (controlWord & kControlLinkEstablished) != 0 ||
         (controlWord & (kControlWatched | kControlAnswered)) == (kControlWatched | kControlAnswered);
}

// "PbdStatus", second word: why bi-directional communication has stopped.
inline constexpr uint32_t kStoppedNoAnswer = 0x1;    // the printer answered before, not now
inline constexpr uint32_t kStoppedUnresolved = 0x2;  // its address no longer resolves
inline constexpr uint32_t kStoppedNoSocket = 0x4;    // the system gave no socket to ask with
