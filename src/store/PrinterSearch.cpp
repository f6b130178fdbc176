#include "PrinterSearch.h"

#include <map>
#include <mutex>

#include "LibraryEntry.h"
#include "PrlUser.h"
#include "SnmpCredentials.h"

namespace {

// The ordinal's callback carries one context: the caller's callback and context ride in it.
struct V1Search {
  PFN_DISCOVERY_CALLBACK_USM callback;
  void* context;
};

int CALLBACK ReportVersion1(DiscoveredPrinter* printer, void* context) {
  const auto* search = static_cast<V1Search*>(context);
  return search->callback(printer, 1, search->context);
}

// One per search context of the process, kept as long as the process: a search's
// callback may come until StopDiscovery returns, which this file does not see.
V1Search* V1SearchFor(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext) {
  static std::mutex mutex;
  static std::map<DiscoveryContext*, V1Search> searches;
  std::lock_guard lock(mutex);
  V1Search& search = searches[context];
  search = {callback, callbackContext};
  return &search;
}

}  // namespace

int StartPrinterSearch(DiscoveryContext* context, PFN_DISCOVERY_CALLBACK_USM callback, void* callbackContext) {
  if (const std::optional<SnmpProfile> profile = ReadSnmpProfile()) {
    const bool instead = profile->use == ProfileUse::InsteadOfCommunity;
    const auto start = LibraryEntry<decltype(&StartDiscoveryUsm)>(
        "PRLFIND.dll",
        instead ? PRALO_EXPORT_NAME("StartDiscoveryUsmOnly", 16) : PRALO_EXPORT_NAME("StartDiscoveryUsm", 16));
    if (start == nullptr) return -1;
    const PrlUser user(profile->user);
    return start(context, callback, callbackContext, user.get());
  }
  return StartDiscovery(context, &ReportVersion1, V1SearchFor(context, callback, callbackContext), 0);
}
