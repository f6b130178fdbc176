#pragma once
// A port's record between its PortConfig and the bytes of the monitor's XcvData
// (XcvPortRecord, common/XcvCommands.h), for the monitor and its UI library alike.
#include <windows.h>

#include "PortConfig.h"
#include "XcvCommands.h"

XcvPortRecord XcvRecordOf(const PortConfig& config);
// ERROR_INVALID_DATA for a text that is not terminated in its field, ERROR_INVALID_NAME
// for a name that the ANSI code page cannot hold as it is; 0 with `config` filled (its
// modelIndex 0: it is never stored; no IPP URI: the record carries none).
DWORD PortConfigOf(const XcvPortRecord& record, PortConfig& config);
