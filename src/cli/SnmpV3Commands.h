#pragma once
// prlport snmpv3: the machine's SNMPv3 profile and a port's choice of the community or
// SNMPv3, pass phrases from a secrets file only.
#include "CommandLine.h"

int SnmpV3(CommandLine& line);
