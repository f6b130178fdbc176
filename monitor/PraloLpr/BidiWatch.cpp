#include "BidiWatch.h"

#include <set>
#include <vector>

#include "PortNames.h"

namespace {

// A spooler that loads the monitor for a single call (Wine's loads and unloads it around
// each) unloads it within this time; a watch that would start then would only ask the
// printers and be stopped.
constexpr DWORD kSettleMs = 1000;
// How often the port list is looked at; it is kept in memory until its key changes.
constexpr DWORD kPortListMs = 2000;

}  // namespace

BidiWatch::BidiWatch() : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (stop_) thread_.reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

BidiWatch::~BidiWatch() {
  SetEvent(stop_.get());
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI BidiWatch::Run(void* self) {
  static_cast<BidiWatch*>(self)->Watch();
  return 0;
}

void BidiWatch::Watch() {
  for (DWORD wait = kSettleMs; WaitForSingleObject(stop_.get(), wait) == WAIT_TIMEOUT; wait = kPortListMs)
    FollowPortList();
  // Every port's watch is asked to stop first, so that they end together.
  for (auto& [name, watch] : ports_) watch->RequestStop();
  ports_.clear();
}

void BidiWatch::FollowPortList() {
  const std::vector<std::wstring> names = CurrentPortNames();
  const std::set<std::wstring> current(names.begin(), names.end());
  std::vector<std::wstring> gone;
  for (auto& [name, watch] : ports_)
    if (current.count(name) == 0) {
      watch->RequestStop();
      gone.push_back(name);
    }
  for (const std::wstring& name : gone) ports_.erase(name);
  for (const std::wstring& name : names)
    if (ports_.count(name) == 0) {
      auto watch = std::make_unique<PortWatch>(name);
      if (watch->Started()) ports_.emplace(name, std::move(watch));
    }
}
