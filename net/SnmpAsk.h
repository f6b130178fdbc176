#pragma once
// One SNMP GET to one printer through a socket connected to it, as identification and
// `prlport status` ask: each attempt carries a fresh random request id and waits its
// whole time. Whatever is not the answer (another id, a datagram that does not decode,
// a receive that the system refuses, an ICMP error) is dropped and the wait goes on to
// the attempt's end: a peer on the network can neither forge the answer nor cut the
// wait short.
#include <windows.h>

#include <span>
#include <string_view>
#include <vector>

#include "Snmp.h"
#include "UdpSocket.h"
#include "UsmConversation.h"

// Refused: an SNMPv3 agent answered with a Report that ends the question (its error given).
enum class Asked { Answered, NoAnswer, Stopped, Refused };

// `socket` is connected to the printer; `stop` (may be null) ends every wait at once.
Asked AskPrinter(UdpSocket& socket, std::string_view community, const std::vector<snmp::Oid>& oids,
                 std::span<const DWORD> attemptWaitsMs, HANDLE stop, snmp::Response& answer);

// The same with an SNMPv3 user (UsmConversation.h): the engine discovery and a
// resynchronisation go within an attempt's time, each datagram with fresh ids. `engine`
// keeps what was learned of the agent for the caller's next question.
Asked AskPrinter(UdpSocket& socket, const UsmUser& user, UsmEngine& engine, const std::vector<snmp::Oid>& oids,
                 std::span<const DWORD> attemptWaitsMs, HANDLE stop, snmp::Response& answer, UsmError& error);

// A socket connected to the printer's SNMP port; closed when it cannot be.
bool ConnectToPrinter(UdpSocket& socket, const SocketAddress& printer);
