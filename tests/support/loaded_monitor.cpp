#include "loaded_monitor.h"

#include <algorithm>

#include "child_process.h"

namespace {

DWORD Result(BOOL ok) { return ok ? 0 : GetLastError(); }

// The spooler's pieces: an application's WritePrinter of 64 KiB reaches the port whole.
constexpr size_t kPiece = 64 * 1024;

}  // namespace

LoadedMonitor::LoadedMonitor(const std::string& library) {
  library_ = LoadLibraryA(library.empty() ? SystemFile("PraloLpr.dll").c_str() : library.c_str());
  auto initialize = reinterpret_cast<LPMONITOR2(WINAPI*)(PMONITORINIT, PHANDLE)>(
      reinterpret_cast<void*>(GetProcAddress(library_, "InitializePrintMonitor2")));
  MONITORINIT init{};
  init.cbSize = sizeof init;
  init.bLocal = TRUE;
  if (initialize != nullptr) monitor_ = initialize(&init, &handle_);
}

LoadedMonitor::~LoadedMonitor() {
  Shutdown();
  Unload();
}

void LoadedMonitor::Shutdown() {
  if (monitor_ != nullptr) monitor_->pfnShutdown(handle_);
  monitor_ = nullptr;
}

void LoadedMonitor::Unload() {
  if (library_ != nullptr) FreeLibrary(library_);
  library_ = nullptr;
}

MonitorPort::MonitorPort(const LoadedMonitor& monitor, const std::string& port) : table_(monitor.Table()) {
  std::wstring name(port.begin(), port.end());
  if (!table_.pfnOpenPort(monitor.Handle(), name.data(), &handle_)) handle_ = nullptr;
}

MonitorPort::~MonitorPort() { Close(); }

void MonitorPort::Close() {
  if (handle_ != nullptr) table_.pfnClosePort(handle_);
  handle_ = nullptr;
}

DWORD MonitorPort::Start(const std::string& printer, DWORD jobId) {
  std::wstring name(printer.begin(), printer.end());
  DOC_INFO_1W doc{const_cast<wchar_t*>(L"table job"), nullptr, const_cast<wchar_t*>(L"RAW")};
  return Result(table_.pfnStartDocPort(handle_, printer.empty() ? nullptr : name.data(), jobId, 1,
                                       reinterpret_cast<BYTE*>(&doc)));
}

DWORD MonitorPort::WriteAll(const std::string& bytes, std::vector<WriteCall>* calls,
                            const std::function<bool(const WriteCall&)>& keepGoing) {
  for (size_t at = 0; at < bytes.size();) {
    WriteCall call{static_cast<DWORD>(std::min(kPiece, bytes.size() - at)), 0, 0};
    const DWORD start = GetTickCount();
    const BOOL ok = table_.pfnWritePort(handle_, reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data() + at)),
                                        call.offered, &call.written);
    call.tookMs = GetTickCount() - start;
    if (!ok) return GetLastError();
    if (calls != nullptr) calls->push_back(call);
    at += call.written;
    if (keepGoing && !keepGoing(call)) return 0;
  }
  return 0;
}

DWORD MonitorPort::End() { return Result(table_.pfnEndDocPort(handle_)); }
