#include "NameLookups.h"

#include <deque>
#include <mutex>

#include "LibraryThread.h"
#include "PrinterAddress.h"
#include "Unique.h"

namespace {
constexpr int kMostLookupThreads = 2;
}

struct NameLookups::Shared {
  std::mutex mutex;
  std::deque<std::pair<uint64_t, std::string>> asked;
  std::vector<std::pair<uint64_t, std::vector<SocketAddress>>> answered;
  UniqueHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  int threads = 0;
  bool abandoned = false;  // the watch has gone: nobody takes results any more
};

namespace {

using Shared = NameLookups::Shared;

// Takes the next lookup, or ends the thread's turn when none is left.
bool NextLookup(Shared& shared, std::pair<uint64_t, std::string>& lookup) {
  std::lock_guard lock(shared.mutex);
  if (shared.abandoned || shared.asked.empty()) {
    --shared.threads;
    return false;
  }
  lookup = std::move(shared.asked.front());
  shared.asked.pop_front();
  return true;
}

DWORD LookUp(void* parameter) {
  std::unique_ptr<std::shared_ptr<Shared>> held(static_cast<std::shared_ptr<Shared>*>(parameter));
  Shared& shared = **held;
  WinsockSession winsock;
  for (std::pair<uint64_t, std::string> lookup; NextLookup(shared, lookup);) {
    std::vector<SocketAddress> addresses = PrinterAddresses(lookup.second.c_str());
    std::lock_guard lock(shared.mutex);
    if (shared.abandoned) continue;
    shared.answered.emplace_back(lookup.first, std::move(addresses));
    SetEvent(shared.ready.get());
  }
  return 0;
}

}  // namespace

NameLookups::NameLookups() : shared_(std::make_shared<Shared>()) {}

NameLookups::~NameLookups() {
  std::lock_guard lock(shared_->mutex);
  shared_->abandoned = true;
}

HANDLE NameLookups::Ready() const { return shared_->ready.get(); }

void NameLookups::Ask(uint64_t asker, const std::string& name) {
  std::lock_guard lock(shared_->mutex);
  shared_->asked.emplace_back(asker, name);
  if (shared_->threads >= kMostLookupThreads) return;
  auto* held = new std::shared_ptr<Shared>(shared_);
  if (StartLibraryThread(LookUp, held))
    ++shared_->threads;
  else
    delete held;
}

std::vector<std::pair<uint64_t, std::vector<SocketAddress>>> NameLookups::Take() {
  std::lock_guard lock(shared_->mutex);
  ResetEvent(shared_->ready.get());
  return std::exchange(shared_->answered, {});
}
