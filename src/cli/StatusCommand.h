#pragma once
// prlport status: asks a port's printer for its state now, as the monitor would keep it.
#include "CommandLine.h"

int Status(CommandLine& line);
