// The exports of PRLFIND.dll. A context's first word holds the handle of its search in
// a table of running searches; several searches may run at once.
#include "PrlFind.h"

#include <map>
#include <memory>
#include <mutex>

#include "LocalSubnets.h"
#include "Search.h"
#include "SubnetTable.h"

namespace {

std::mutex searchesMutex;
std::map<uint32_t, std::unique_ptr<Search>> searches;
uint32_t lastHandle = 0;

std::unique_ptr<Search> TakeSearch(DiscoveryContext* context) {
  std::lock_guard lock(searchesMutex);
  auto found = searches.find(context->words[0]);
  if (found == searches.end()) return nullptr;
  std::unique_ptr<Search> search = std::move(found->second);
  searches.erase(found);
  return search;
}

}  // namespace

// Unloading waits for no search: every worker has ended by then (each holds the library).
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) Search::Unloading();
  return TRUE;
}

namespace {

// Stops the context's previous search and starts this one on the local subnets.
int Begin(DiscoveryContext* context, std::unique_ptr<Search> search) {
  if (std::unique_ptr<Search> previous = TakeSearch(context)) previous->Stop();
  if (!search->Start(LocalSubnets())) return -1;
  std::lock_guard lock(searchesMutex);
  do ++lastHandle;
  while (lastHandle == 0 || searches.count(lastHandle) != 0);
  context->words[0] = lastHandle;
  searches[lastHandle] = std::move(search);
  return 0;
}

}  // namespace

extern "C" int WINAPI StartDiscovery(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK callback, void* callbackContext,
                                     uint32_t) {
  if (context == nullptr || callback == nullptr) return -1;
  return Begin(context, std::make_unique<Search>(callback, callbackContext));
}

namespace {

int BeginWithUser(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext,
                  const PrlUsmUser* user, Search::Asks asks) {
  UsmUser usmUser;
  if (context == nullptr || callback == nullptr || user == nullptr || !ToUsmUser(*user, usmUser)) return -1;
  return Begin(context, std::make_unique<Search>(callback, callbackContext, usmUser, asks));
}

}  // namespace

extern "C" int WINAPI StartDiscoveryUsm(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback,
                                        void* callbackContext, const PrlUsmUser* user) {
  return BeginWithUser(context, callback, callbackContext, user, Search::Asks::CommunitiesAndUser);
}

extern "C" int WINAPI StartDiscoveryUsmOnly(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback,
                                            void* callbackContext, const PrlUsmUser* user) {
  return BeginWithUser(context, callback, callbackContext, user, Search::Asks::UserOnly);
}

extern "C" int WINAPI StopDiscovery(DiscoveryContext* context) {
  if (context == nullptr) return -1;
  std::unique_ptr<Search> search = TakeSearch(context);
  context->words[0] = 0;
  if (search == nullptr) return -1;
  search->Stop();
  return 0;
}

extern "C" int WINAPI AddDiscoverySubnet(DiscoveryContext* context, uint32_t subnet, uint32_t, uint32_t) {
  std::optional<HostRange> hosts = SubnetHosts(subnet);
  if (context == nullptr || !hosts) return -1;
  std::lock_guard lock(searchesMutex);
  auto found = searches.find(context->words[0]);
  if (found == searches.end()) return -1;
  found->second->Add(*hosts);
  return 0;
}

extern "C" uint32_t WINAPI MakeDiscoverySubnet(uint32_t address, uint32_t mask) { return SubnetHandle(address, mask); }
