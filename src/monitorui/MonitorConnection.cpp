#include "MonitorConnection.h"

#include <cwchar>

#include "AnsiText.h"
#include "PortValues.h"
#include "TextField.h"
#include "XcvCommands.h"
#include "XcvPortRecord.h"

// A caller who may not administer the server still reads ports: the monitor answers
// "GetConfig" to read access and refuses it the changes.
MonitorConnection::MonitorConnection() {
  openError_ = Open(SERVER_ACCESS_ADMINISTER);
  administers_ = openError_ == ERROR_SUCCESS;
  if (openError_ == ERROR_ACCESS_DENIED) openError_ = Open(SERVER_ACCESS_ENUMERATE);
}

DWORD MonitorConnection::Open(ACCESS_MASK access) {
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, access};
  return OpenPrinterA(const_cast<char*>(kXcvMonitorPrinter), printer_.put(), &defaults) ? ERROR_SUCCESS
                                                                                         : GetLastError();
}

DWORD MonitorConnection::Send(const wchar_t* command, const void* input, DWORD inputSize, void* output,
                              DWORD outputSize) {
  if (openError_ != ERROR_SUCCESS) return openError_;
  DWORD needed = 0, status = ERROR_SUCCESS;
  if (!XcvDataW(printer_.get(), command, static_cast<BYTE*>(const_cast<void*>(input)), inputSize,
                static_cast<BYTE*>(output), outputSize, &needed, &status))
    return GetLastError();
  return status;
}

DWORD MonitorConnection::DeletePort(const wchar_t* portName) {
  return Send(kXcvDeletePort, portName, static_cast<DWORD>((std::wcslen(portName) + 1) * sizeof(wchar_t)));
}

DWORD MonitorConnection::GetConfig(const wchar_t* portName, PortConfig& config) {
  XcvPortRecord record{};
  if (DWORD error = Send(kXcvGetConfig, portName, static_cast<DWORD>((std::wcslen(portName) + 1) * sizeof(wchar_t)),
                         &record, sizeof record);
      error != ERROR_SUCCESS)
    return error;
  return PortConfigOf(record, config);
}

// A port that the monitor cannot give reads as one without stored values.
bool MonitorPortRecordStore::Read(const char* portName, PortConfig& config) {
  const DWORD status = connection_.GetConfig(WideText(portName).c_str(), config);
  if (status != ERROR_SUCCESS) {
    ResetPortConfig(config, portName);
    SetNumberDefaults(config);
  }
  SetLastError(status);
  return status == ERROR_SUCCESS;
}

bool MonitorPortRecordStore::Add(const PortConfig& config) {
  if (!Stored(kXcvAddPort, config)) return false;
  added_ = TextOf(config.portName, sizeof config.portName);
  return true;
}

// The monitor sets "SnmpUpdated" itself, from what it holds. A port deleted meanwhile is
// unknown to the monitor; the dialog knows it as a record not found.
bool MonitorPortRecordStore::Configure(const PortConfig& config, bool) {
  if (Stored(kXcvConfigPort, config)) return true;
  if (GetLastError() == ERROR_UNKNOWN_PORT) SetLastError(ERROR_FILE_NOT_FOUND);
  return false;
}

bool MonitorPortRecordStore::Stored(const wchar_t* command, const PortConfig& config) {
  const XcvPortRecord record = XcvRecordOf(config);
  DWORD status = connection_.Send(command, &record, sizeof record);
  SetLastError(status);
  return status == ERROR_SUCCESS;
}
