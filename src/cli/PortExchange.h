#pragma once
// prlport's commands that carry ports between machines and answer in JSON.
#include "CommandLine.h"

// prlport export [FILE]: every port of the monitor and the discovery scope.
int ExportPorts(CommandLine& line);
// prlport import FILE [--replace] [--dry-run]: all of the file's ports and scope, or nothing.
int ImportPorts(CommandLine& line);
// prlport apply FILE [--prune] [--what-if] [--json]: the machine brought to the file,
// changing only what differs, all or nothing.
int ApplyPorts(CommandLine& line);
// prlport list --json: the spooler's ports with their monitors and printers.
int ListPortsJson(CommandLine& line);
// prlport show NAME --json: one port of the monitor as export writes it.
int ShowPortJson(CommandLine& line);
