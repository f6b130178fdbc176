// The "Pralo TCP/IP Port" print monitor: the function table that the spooler loads. It
// lists the ports stored under the monitor's "Port Names" key, deletes them, answers
// XcvData, and prints each job to the printer that the port's record names.
#include <windows.h>

#include <winspool.h>
#include <winsplp.h>

#include <memory>
#include <string>
#include <vector>

#include "BidiWatch.h"
#include "AnsiText.h"
#include "MonitorRegistry.h"
#include "PortAdmin.h"
#include "PortHandle.h"
#include "PortNameCompare.h"
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

BOOL Reported(DWORD error) {
  if (error == 0) return TRUE;
  SetLastError(error);
  return FALSE;
}

BOOL WINAPI DeletePort(HANDLE, LPWSTR, HWND, LPWSTR portName) { return Reported(RemovePort(portName)); }

// One loaded instance of the monitor: the spooler may load it more than once (Wine's does
// in every process, around its calls); each instance keeps its own watch, and tells its
// ports' jobs that wait for a printer when it shuts down.
struct MonitorInstance {
  ~MonitorInstance() { SetEvent(shutdown->get()); }
  std::shared_ptr<const UniqueHandle> shutdown =
      std::make_shared<const UniqueHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  BidiWatch watch;
};

MonitorInstance* InstanceOf(HANDLE monitorHandle) { return static_cast<MonitorInstance*>(monitorHandle); }

// A port that is not among the monitor's ports is refused; any other gets a handle of
// its own.
BOOL WINAPI OpenPort(HANDLE monitorHandle, LPWSTR portName, PHANDLE port) {
  if (portName == nullptr || port == nullptr) return Reported(ERROR_INVALID_PARAMETER);
  for (const std::wstring& name : CurrentPortNames()) {
    if (!SamePortName(name, portName)) continue;
    *port = new PortHandle(AnsiText(name.c_str()), SystemJobNews(),
                           monitorHandle != nullptr ? InstanceOf(monitorHandle)->shutdown : nullptr);
    return TRUE;
  }
  return Reported(ERROR_UNKNOWN_PORT);
}

PortHandle* HandleOf(HANDLE port) { return static_cast<PortHandle*>(port); }

BOOL WINAPI StartDocPort(HANDLE port, LPWSTR printerName, DWORD jobId, DWORD level, LPBYTE docInfo) {
  if (port == nullptr || (level != 1 && level != 2)) return Reported(ERROR_INVALID_PARAMETER);
  // DOC_INFO_2W begins as DOC_INFO_1W does, with the document's name.
  const wchar_t* document = docInfo != nullptr ? reinterpret_cast<const DOC_INFO_1W*>(docInfo)->pDocName : nullptr;
  return Reported(HandleOf(port)->StartDoc(printerName, jobId, document));
}

// TRUE with the bytes that the printer took, which may be fewer than offered, or none
// while it is stalled: Windows' spooler offers the rest again. (Wine 8's print processor
// gives the job up at such a write instead: it ends the document, and the monitor resets
// the connection.)
BOOL WINAPI WritePort(HANDLE port, LPBYTE buffer, DWORD size, LPDWORD written) {
  if (port == nullptr || written == nullptr) return Reported(ERROR_INVALID_PARAMETER);
  size_t taken = 0;
  DWORD error = HandleOf(port)->Write(std::span<const uint8_t>(buffer, size), taken);
  *written = static_cast<DWORD>(taken);
  return Reported(error);
}

// The ports only print; nothing comes back from the printer through them.
BOOL WINAPI ReadPort(HANDLE, LPBYTE, DWORD, LPDWORD read) {
  if (read != nullptr) *read = 0;
  return Reported(ERROR_NOT_SUPPORTED);
}

BOOL WINAPI EndDocPort(HANDLE port) {
  if (port == nullptr) return Reported(ERROR_INVALID_PARAMETER);
  return Reported(HandleOf(port)->EndDoc());
}

BOOL WINAPI ClosePort(HANDLE port) {
  delete HandleOf(port);
  return TRUE;
}

// The spooler unloads the monitor after this. The watch is told to stop and waited for a
// bounded time only; its threads hold the library until they leave (LibraryThread.h).
VOID WINAPI Shutdown(HANDLE monitorHandle) { delete InstanceOf(monitorHandle); }

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
