#pragma once
// prlport status: asks a port's printer for its state now, as the monitor would keep it: over
// IPP for a port that prints over IPP, over SNMP otherwise.
#include "CommandLine.h"

int Status(CommandLine& line);
