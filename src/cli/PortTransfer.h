#pragma once
// The ports of a machine and its discovery scope as one JSON document, for carrying
// them to another machine: written by `prlport export`, read by `prlport import`.
// Portable: no Windows API, so that the reader is fuzzed on the host.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DiscoveryScope.h"
#include "PortValues.h"

inline constexpr unsigned kTransferVersion = 1;
// A larger file is refused before it is parsed: 10,000 ports take about 3 MB.
inline constexpr size_t kLargestTransfer = 16u << 20;

// A port and its values; modelIndex -1: the file carries no model. The pass phrases of
// its SNMPv3 user are never in the file.
using TransferredPort = StoredPort;

struct PortTransfer {
  std::vector<TransferredPort> ports;
  std::optional<StoredScope> scope;  // none: the machine has no stored scope
};

// Converts a text of the system's code page to the file's UTF-8.
using ToUtf8 = std::function<std::string(std::string_view)>;
// Converts a text of the file to the system's code page; nothing when it cannot be
// represented there.
using ToNative = std::function<std::optional<std::string>(std::string_view)>;
// Orders port names as the registry compares them (PortNameLess).
using NameOrder = std::function<bool(std::string_view, std::string_view)>;

// The document, indented, ending with a newline.
std::string WriteTransferJson(const PortTransfer& transfer, const ToUtf8& toUtf8);
// One port as the document holds it: its name and its values under their registry
// names, an IPP port's URI and document format too (a port that is not IPP is written as
// by earlier versions, which refuse the IPP values), and the SNMP choice's where the port
// has them; indented, ending with a newline. The certificates met are not written: each
// machine trusts its printers' own.
std::string WritePortJson(const TransferredPort& port, const ToUtf8& toUtf8);

struct TransferReading {
  PortTransfer transfer;
  std::string error;  // empty when the whole document is good; else what and where
};

// Reads a document with the checks of every entry that stores a port (PortValues.h:
// a name fit for a port, no name twice by `nameLess`, texts that fit their fields
// without control characters, numbers in their ranges) and of the Subnets dialog for the
// scope (an empty mask, as a key without one exports, stands for the default). `toNative`
// converts every text.
TransferReading ReadTransferJson(std::string_view text, const ToNative& toNative, const NameOrder& nameLess);
