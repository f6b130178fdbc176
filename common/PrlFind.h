#pragma once
// PRLFIND.dll: searches networks for printers over SNMP in the background and reports
// each one through a callback. Ordinals 2 to 5 keep the maker's contract (SNMPv1);
// StartDiscoveryUsm and StartDiscoveryUsmOnly, exported by name, are ours: they also find
// SNMPv3 agents.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "PrlUsmUser.h"

// Seven words owned by the caller, who zeroes words 1, 2 and 7 before StartDiscovery.
// The library keeps its search handle in word 1.
struct DiscoveryContext {
  uint32_t words[7];
};

// One printer found; valid only during the callback.
struct DiscoveredPrinter {
  uint32_t address;        // IPv4, host order (first octet in the most significant byte)
  uint8_t reserved[48];
  char name[32];           // sysName, at most 31 characters
  char model[128];         // hrDeviceDescr.1, or sysDescr.0; at most 127 characters
};
static_assert(offsetof(DiscoveredPrinter, name) == 52);
static_assert(offsetof(DiscoveredPrinter, model) == 84);

// Called on the library's worker thread, one call at a time; non-zero when the caller
// used the record.
typedef int(CALLBACK* PFN_DISCOVERY_CALLBACK)(DiscoveredPrinter* printer, void* context);

extern "C" {

// Starts a background search of the machine's local subnets and returns at once.
int WINAPI StartDiscovery(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK callback, void* callbackContext,
                          uint32_t reserved);
// Returns once no callback of this search runs or will follow. Messages sent to the
// calling thread are processed while it waits, so a callback may SendMessage to it.
int WINAPI StopDiscovery(DiscoveryContext* context);
// Adds a subnet, made by MakeDiscoverySubnet, to a running search.
int WINAPI AddDiscoverySubnet(DiscoveryContext* context, uint32_t subnet, uint32_t reserved1, uint32_t reserved2);
// A handle for an address and mask (host order), kept in a table of the library. Two
// calls with the same pair give the same handle; 0 is never a handle.
uint32_t WINAPI MakeDiscoverySubnet(uint32_t address, uint32_t mask);

}

// As PFN_DISCOVERY_CALLBACK, with the SNMP version that the printer answered: 1 or 3.
typedef int(CALLBACK* PFN_DISCOVERY_CALLBACK_USM)(DiscoveredPrinter* printer, uint32_t version, void* context);

extern "C" {

// As StartDiscovery, and each host also gets SNMPv3's discovery probe: an agent that
// answers it with its engine's Report is asked with `user` (copied; the caller may free
// it on return). A host that answers both is reported once, by the first answer.
// StopDiscovery and AddDiscoverySubnet serve this search as any other. -1 for a null
// argument or a user whose level or protocols are out of range.
int WINAPI StartDiscoveryUsm(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext,
                             const PrlUsmUser* user);
// As StartDiscoveryUsm without SNMPv1: no community crosses the network. Each host gets
// only SNMPv3's discovery probe, and an agent that answers it with its engine's Report is
// asked with `user`; every printer is reported as version 3.
int WINAPI StartDiscoveryUsmOnly(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext,
                                 const PrlUsmUser* user);

}
