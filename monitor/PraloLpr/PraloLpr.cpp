// The "Pralo TCP/IP Port" print monitor: the function table that the spooler loads. It
// lists the ports stored under the monitor's "Port Names" key, deletes them, and
// answers XcvData.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <string>
#include <vector>

#include "BidiWatch.h"
#include "MonitorRegistry.h"
#include "PortAdmin.h"
#include "PortNames.h"
#include "XcvPort.h"

namespace {
// Lays out PORT_INFO_1W or PORT_INFO_2W records at the start of the buffer and their
// strings from its end, as the spooler expects.
class PortInfoWriter {
 public:
  PortInfoWriter(BYTE* buffer, DWORD size) : buffer_(buffer), stringsEnd_(buffer + size) {}
  wchar_t* Put(const std::wstring& text) {
    stringsEnd_ -= (text.size() + 1) * sizeof(wchar_t);
    auto* out = reinterpret_cast<wchar_t*>(stringsEnd_);
    text.copy(out, text.size());
    out[text.size()] = L'\0';
    return out;
  }
  BYTE* Records() const { return buffer_; }

 private:
  BYTE* buffer_;
  BYTE* stringsEnd_;
};

BOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed, LPDWORD returned) {
  if (level != 1 && level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  const std::vector<std::wstring> names = CurrentPortNames();
  const size_t record = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  const size_t perPortText = level == 1 ? 0 : 2 * (std::size(kMonitorNameW));
  size_t total = 0;
  for (const std::wstring& name : names) total += record + (name.size() + 1 + perPortText) * sizeof(wchar_t);
  *needed = static_cast<DWORD>(total);
  *returned = 0;
  if (ports == nullptr || size < total) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  PortInfoWriter writer(ports, size);
  for (size_t i = 0; i < names.size(); ++i) {
    if (level == 1) {
      reinterpret_cast<PORT_INFO_1W*>(writer.Records())[i].pName = writer.Put(names[i]);
    } else {
      PORT_INFO_2W& info = reinterpret_cast<PORT_INFO_2W*>(writer.Records())[i];
      info.pPortName = writer.Put(names[i]);
      info.pMonitorName = writer.Put(kMonitorNameW);
      info.pDescription = writer.Put(kMonitorNameW);
      info.fPortType = PORT_TYPE_WRITE;
      info.Reserved = 0;
    }
  }
  *returned = static_cast<DWORD>(names.size());
  return TRUE;
}

BOOL WINAPI DeletePort(HANDLE, LPWSTR, HWND, LPWSTR portName) {
  DWORD error = RemovePort(portName);
  SetLastError(error);
  return error == ERROR_SUCCESS;
}

BOOL NotSupported() {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI OpenPort(HANDLE, LPWSTR, PHANDLE) { return NotSupported(); }
BOOL WINAPI StartDocPort(HANDLE, LPWSTR, DWORD, DWORD, LPBYTE) { return NotSupported(); }
BOOL WINAPI WritePort(HANDLE, LPBYTE, DWORD, LPDWORD) { return NotSupported(); }
BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD) { return NotSupported(); }
BOOL WINAPI EndDocPort(HANDLE) { return NotSupported(); }
BOOL WINAPI ClosePort(HANDLE) { return NotSupported(); }
// One loaded instance of the monitor: the spooler may load it more than once (Wine's does
// in every process, around its calls); each instance keeps its own watch.
struct MonitorInstance {
  BidiWatch watch;
};

// The spooler unloads the monitor after this: the watch's threads end before it returns.
VOID WINAPI Shutdown(HANDLE monitorHandle) { delete static_cast<MonitorInstance*>(monitorHandle); }

MONITOR2 monitor = [] {
  MONITOR2 m{};
  m.cbSize = sizeof m;
  m.pfnEnumPorts = EnumPorts;
  m.pfnOpenPort = OpenPort;
  m.pfnStartDocPort = StartDocPort;
  m.pfnWritePort = WritePort;
  m.pfnReadPort = ReadPort;
  m.pfnEndDocPort = EndDocPort;
  m.pfnClosePort = ClosePort;
  m.pfnDeletePort = DeletePort;
  m.pfnShutdown = Shutdown;
  m.pfnXcvOpenPort = xcv::OpenPort;
  m.pfnXcvDataPort = xcv::DataPort;
  m.pfnXcvClosePort = xcv::ClosePort;
  return m;
}();

}  // namespace

extern "C" LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE monitorHandle) {
  if (monitorHandle == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  *monitorHandle = new MonitorInstance;
  return &monitor;
}
