#pragma once
// A printer's state over IPP (Get-Printer-Attributes, RFC 8011), for a port that prints
// over IPP and has no SNMP to ask: printer-state, printer-state-reasons and the supplies
// (marker-names and marker-levels, or else printer-supply), made into the PrinterState
// that the watch writes its words and the port's status from, as an SNMP answer is.
#include <cstdint>
#include <string>
#include <vector>

#include "IppClient.h"
#include "StatusQuery.h"

// Questions of the watch and of prlport status wait less than a print job's.
inline constexpr IppTimeouts kIppStatusTimeouts = {5000, 5000, 5000, 10000};

struct IppPrinterStatus {
  IppOutcome outcome;                // how the question went, the certificate over ipps://
  int32_t printerState = 0;          // printer-state: 3 idle, 4 processing, 5 stopped; 0 not reported
  std::vector<std::string> reasons;  // printer-state-reasons as the printer gave them, "none" left out
  PrinterState state;                // as the Host Resources and Printer MIBs would say it
};

// Asks the printer at the URI, its certificate checked against the pin ("": none).
IppPrinterStatus QueryIppStatus(const std::string& uri, const std::string& pinned);

// The answer to Get-Printer-Attributes made into a printer's state; a printer that did
// not answer has none.
IppPrinterStatus IppStatusOf(const IppOutcome& outcome);

// "idle", "processing", "stopped", or "not reported".
const char* IppPrinterStateName(int32_t state);
