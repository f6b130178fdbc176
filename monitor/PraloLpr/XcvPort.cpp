#include "XcvPort.h"

#include <winspool.h>

#include <cstring>
#include <cwchar>
#include <new>

#include "Components.h"
#include "PortAdmin.h"
#include "PortValues.h"
#include "TextField.h"
#include "XcvCommands.h"
#include "XcvPortRecord.h"

namespace {

// One open XcvData handle: the access that the spooler granted its opener.
struct XcvSession {
  ACCESS_MASK grantedAccess;
};

struct Request {
  bool administers;  // the caller was granted SERVER_ACCESS_ADMINISTER
  const BYTE* input;
  DWORD inputSize;
  BYTE* output;
  DWORD outputSize;
  DWORD* outputNeeded;
};

// Answers `data` when the caller's buffer holds it, and says how much it needs.
DWORD Answer(const Request& request, const void* data, DWORD size) {
  *request.outputNeeded = size;
  if (request.output == nullptr || request.outputSize < size) return ERROR_INSUFFICIENT_BUFFER;
  std::memcpy(request.output, data, size);
  return ERROR_SUCCESS;
}

// The port's record from the input's bytes (XcvPortRecord), or why it is refused: every
// text terminated inside its field and every value one that a port may hold, by the
// checks that every entry that stores a port makes.
DWORD RecordOf(const Request& request, PortConfig& config) {
  XcvPortRecord record;
  if (request.input == nullptr || request.inputSize != sizeof record) return ERROR_INVALID_DATA;
  std::memcpy(&record, request.input, sizeof record);
  if (DWORD error = PortConfigOf(record, config); error != ERROR_SUCCESS) return error;
  return RecordRefusal(config) ? ERROR_INVALID_DATA : ERROR_SUCCESS;
}

// A UTF-16 port name terminated inside the input.
const wchar_t* PortNameOf(const Request& request) {
  const size_t count = request.inputSize / sizeof(wchar_t);
  if (request.input == nullptr || count == 0) return nullptr;
  const auto* name = reinterpret_cast<const wchar_t*>(request.input);
  return std::wmemchr(name, L'\0', count) != nullptr ? name : nullptr;
}

DWORD MonitorUi(const Request& request) { return Answer(request, kMonitorUiLibraryW, sizeof kMonitorUiLibraryW); }

// Once this succeeds, Windows' local spooler adds the port to its own list under the
// UTF-16 name that starts the input: the record's first field (common/XcvCommands.h).
DWORD AddPort(const Request& request) {
  PortConfig config;
  if (DWORD error = RecordOf(request, config); error != ERROR_SUCCESS) return error;
  return AddPortFromRecord(config);
}

DWORD ConfigPort(const Request& request) {
  PortConfig config;
  if (DWORD error = RecordOf(request, config); error != ERROR_SUCCESS) return error;
  return ConfigurePortFromRecord(config);
}

DWORD DeletePort(const Request& request) {
  const wchar_t* name = PortNameOf(request);
  return name != nullptr ? RemovePort(name) : ERROR_INVALID_DATA;
}

DWORD GetConfig(const Request& request) {
  const wchar_t* name = PortNameOf(request);
  if (name == nullptr) return ERROR_INVALID_DATA;
  PortConfig config;
  if (DWORD error = ReadPortRecord(name, config); error != ERROR_SUCCESS) return error;
  // The community is the port's SNMP secret: only a caller who may change ports sees it.
  if (!request.administers) CopyText(config.communityName, "");
  const XcvPortRecord record = XcvRecordOf(config);
  return Answer(request, &record, sizeof record);
}

struct Command {
  const wchar_t* name;
  bool administers;  // changes ports: only for a caller granted SERVER_ACCESS_ADMINISTER
  DWORD (*run)(const Request&);
};

constexpr Command kCommands[] = {
    {kXcvMonitorUi, false, MonitorUi}, {kXcvAddPort, true, AddPort},     {kXcvConfigPort, true, ConfigPort},
    {kXcvDeletePort, true, DeletePort}, {kXcvGetConfig, false, GetConfig},
};

}  // namespace

BOOL WINAPI xcv::OpenPort(HANDLE, LPCWSTR, ACCESS_MASK grantedAccess, PHANDLE session) {
  if (session == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *session = new (std::nothrow) XcvSession{grantedAccess};
  if (*session != nullptr) return TRUE;
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

DWORD WINAPI xcv::DataPort(HANDLE session, LPCWSTR command, PBYTE input, DWORD inputSize, PBYTE output,
                           DWORD outputSize, PDWORD outputNeeded) {
  if (session == nullptr || command == nullptr || outputNeeded == nullptr) return ERROR_INVALID_PARAMETER;
  *outputNeeded = 0;
  const auto* opened = static_cast<const XcvSession*>(session);
  const bool administers = (opened->grantedAccess & SERVER_ACCESS_ADMINISTER) == SERVER_ACCESS_ADMINISTER;
  for (const Command& entry : kCommands) {
    if (std::wcscmp(entry.name, command) != 0) continue;
    if (entry.administers && !administers) return ERROR_ACCESS_DENIED;
    return entry.run({administers, input, inputSize, output, outputSize, outputNeeded});
  }
  return ERROR_INVALID_PARAMETER;
}

BOOL WINAPI xcv::ClosePort(HANDLE session) {
  delete static_cast<XcvSession*>(session);
  return TRUE;
}
