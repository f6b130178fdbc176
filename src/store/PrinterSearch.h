#pragma once
// Starts a printer search of PRLFIND.dll: with the machine's SNMPv3 profile where one is
// stored (an entry of our own, which also finds SNMPv3-only agents and says which
// version answered; without any community where the profile is used instead of it),
// else the ordinal entry's search over SNMPv1, whose printers all answered version 1.
// StopDiscovery and AddDiscoverySubnet serve either.
#include "PrlFind.h"

// 0 when the search started. `callback` is called on the library's thread.
int StartPrinterSearch(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext);
