#pragma once
// Asks a printer for its state over SNMPv1 or SNMPv3: the Host Resources MIB's device and printer
// status and detected error state (RFC 2790) and the marker supplies' levels of the
// Printer MIB (RFC 3805). Every wait is bounded and ends at once when `stop` is set.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Snmp.h"
#include "UsmError.h"
#include "UsmUser.h"

struct Supply {
  std::string description;
  int64_t level = 0;        // -3 some left, -2 unknown, -1 other (RFC 3805)
  int64_t maxCapacity = 0;  // -2 unknown, -1 other
};

struct PrinterState {
  // Refused: an SNMPv3 agent answered with a Report that `usmError` names.
  enum class Reach { Answered, NoAnswer, Unresolved, NoSocket, Stopped, Refused };
  Reach reach = Reach::NoAnswer;
  int version = 1;  // the SNMP version asked: 1 or 3
  UsmError usmError = UsmError::None;
  std::string identity;    // sysObjectID, dotted
  bool hasStatus = false;  // the printer reports the Host Resources printer objects
  int64_t deviceStatus = 0;   // hrDeviceStatus: 1 unknown, 2 running, 3 warning, 4 testing, 5 down
  int64_t printerStatus = 0;  // hrPrinterStatus: 1 other, 2 unknown, 3 idle, 4 printing, 5 warmup
  uint16_t errors = 0;        // hrPrinterDetectedErrorState: its first octet in the high byte
  std::vector<Supply> supplies;

  bool Answered() const { return reach == Reach::Answered; }
};

// The bits of hrPrinterDetectedErrorState, as `errors` holds them.
enum PrinterError : uint16_t {
  kLowPaper = 0x8000,
  kNoPaper = 0x4000,
  kLowToner = 0x2000,
  kNoToner = 0x1000,
  kDoorOpen = 0x0800,
  kJammed = 0x0400,
  kOffline = 0x0200,
  kServiceRequested = 0x0100,
  kInputTrayMissing = 0x0080,
  kOutputTrayMissing = 0x0040,
  kMarkerSupplyMissing = 0x0020,
  kOutputNearFull = 0x0010,
  kOutputFull = 0x0008,
  kInputTrayEmpty = 0x0004,
  kOverduePreventMaint = 0x0002,
};

// A question waits 500 ms, then is asked once more and waits 1000 ms.
inline constexpr DWORD kStatusAttemptWaitsMs[] = {500, 1000};

// The questions of one printer's state, in their order: the status first, then each
// marker supply from index 1 until the first that the printer lacks. A caller asks
// Current() and hands the answer to Take() until it says that no question follows.
class StatusQuestions {
 public:
  const std::vector<snmp::Oid>& Current() const { return current_; }
  // The answer to the current question, or nothing when none came; true when another
  // question follows.
  bool Take(const snmp::Response* answer);
  const PrinterState& State() const { return state_; }

 private:
  bool Ask(uint32_t supply);

  uint32_t supply_ = 0;  // 0 while the status is asked
  std::vector<snmp::Oid> current_ = StatusOids();
  PrinterState state_;
  static std::vector<snmp::Oid> StatusOids();
};

// Asks through a socket connected to the printer, every address of the text in turn
// until one answers.
PrinterState QueryPrinterState(const char* address, const char* community, HANDLE stop);
PrinterState QueryPrinterState(const char* address, const UsmUser& user, HANDLE stop);

// Texts for a user: the names of the error bits that are set, and the two status values.
std::vector<std::string> PrinterErrorNames(uint16_t errors);
const char* DeviceStatusName(int64_t status);
const char* PrinterStatusName(int64_t status);
