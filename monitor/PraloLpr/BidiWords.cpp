#include "BidiWords.h"

#include <windows.h>

#include "MonitorRegistry.h"
#include "Unique.h"

namespace {

uint32_t StopReason(PrinterState::Reach reach) {
  switch (reach) {
    case PrinterState::Reach::Unresolved: return kStoppedUnresolved;
    case PrinterState::Reach::NoSocket: return kStoppedNoSocket;
    default: return kStoppedNoAnswer;
  }
}

void PutWord(BYTE* data, uint32_t word) {
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(word >> (8 * i));
}

void SetPair(HKEY key, const wchar_t* name, uint32_t first, uint32_t second) {
  BYTE data[kBidiWordsSize];
  PutWord(data, first);
  PutWord(data + 4, second);
  RegSetValueExW(key, name, 0, REG_BINARY, data, sizeof data);
}

// The printer's driver data key, made when missing, but only under a printer that exists.
UniqueKey OpenDriverData(const std::wstring& printer) {
  UniqueKey printerKey, driverData;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kPrintersKeyW) + L"\\" + printer).c_str(), 0, KEY_WRITE,
                    printerKey.put()) == ERROR_SUCCESS)
    RegCreateKeyExW(printerKey.get(), L"PrinterDriverData", 0, nullptr, REG_OPTION_NON_VOLATILE,
                    KEY_WRITE, nullptr, driverData.put(), nullptr);
  return driverData;
}

}  // namespace

BidiWords WordsAfter(const PrinterState& state, bool answeredBefore, uint32_t statusIntervalSeconds) {
  BidiWords words;
  words.control[0] = statusIntervalSeconds;
  words.control[1] = kControlWatched;
  if (state.Answered()) {
    words.control[1] |= kControlAnswered | (state.hasStatus ? kControlReportsStatus : 0) |
                        (state.supplies.empty() ? 0 : kControlReportsSupplies);
    words.status = {state.errors, 0};
  } else if (answeredBefore) {
    words.status = {0, StopReason(state.reach)};
  }
  return words;
}

bool WriteBidiWords(const std::wstring& printer, const BidiWords& words) {
  UniqueKey key = OpenDriverData(printer);
  if (!key) return false;
  SetPair(key.get(), kPbdControlValueW, words.control[0], words.control[1]);
  if (words.status) SetPair(key.get(), kPbdStatusValueW, words.status->first, words.status->second);
  return true;
}

void RemoveBidiWords(const std::wstring& printer) {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kPrintersKeyW) + L"\\" + printer + L"\\PrinterDriverData").c_str(),
                    0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  RegDeleteValueW(key.get(), kPbdControlValueW);
  RegDeleteValueW(key.get(), kPbdStatusValueW);
}

// Words without a status leave the stored status as it is, and compare so.
void StoredWords::Write(const std::wstring& printer, const BidiWords& words) {
  BidiWords stored = words;
  const auto found = written_.find(printer);
  if (found != written_.end()) {
    if (!stored.status) stored.status = found->second.status;
    if (stored.control[0] == found->second.control[0] && stored.control[1] == found->second.control[1] &&
        stored.status == found->second.status)
      return;
  }
  if (WriteBidiWords(printer, words)) written_[printer] = stored;
}

void StoredWords::Remove(const std::wstring& printer) {
  RemoveBidiWords(printer);
  written_.erase(printer);
}
