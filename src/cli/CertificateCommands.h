#pragma once
// An IPPS port's certificates: what `status` tells of them, and `trust`, which accepts
// the one a printer offered instead of the one trusted.
#include "CommandLine.h"
#include "PortValues.h"

// The trusted and the offered certificate, when the printer offered a different one.
void PrintCertificates(const StoredPort& port);
int Trust(CommandLine& line);
