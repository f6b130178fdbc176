#pragma once
// What adding a port needs beyond the record itself: the checks of a new port's name,
// a model's defaults, and the summary of the settings.
#include <string>

#include "ModelCatalogue.h"
#include "PortConfig.h"

inline constexpr char kDefaultCommunity[] = "mirabo";

// True when a port of the machine, of any monitor, has this name in any letter case:
// registry key names and the spooler's port names do not tell case apart.
bool IsPortNameInUse(const char* name);

// The string-table id of the message that refuses the name of a new port, or 0: 348
// for a name in use, 344 for a name that is not well formed (IsWellFormedPortName).
unsigned PortNameRefusal(const char* name);

// Copies the defaults of catalogue entry `index` (an existing entry other than 0) into
// the record: bi-directional on, byte counting off, 30 s configuration interval, the
// model's queue (cut to the record's field) and raw port number.
void ApplyPrinterModel(PortConfig& config, const ModelCatalogue& catalogue, int index);

// One "label<TAB>value" line per setting, separated by CR LF: name, address, printer
// type, protocol, then the port number (raw) or the queue and byte counting (LPR),
// and bi-directional communication.
std::string BuildPortSummary(const PortConfig& config, const ModelCatalogue& catalogue);
