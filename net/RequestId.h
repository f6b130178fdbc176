#pragma once
// SNMP request ids that a peer on the network cannot guess: an answer is taken only
// when it carries the id of its question, so ids drawn from the system's random number
// generator keep a forger from answering in a printer's place.
#include <cstdint>

// A positive 31-bit id, never 0.
int32_t RandomRequestId();
