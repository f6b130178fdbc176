#pragma once
// Host-name lookups for the bi-directional watch, off its thread: the system's lookup
// cannot be cancelled and may wait on a name server for many seconds. At most two
// lookup threads run, each holding the library (LibraryThread.h); they end when no
// lookup is left. The watch never waits for them: a lookup that ends after the watch
// has gone drops its result and leaves.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UdpSocket.h"

class NameLookups {
 public:
  NameLookups();
  ~NameLookups();
  NameLookups(const NameLookups&) = delete;
  NameLookups& operator=(const NameLookups&) = delete;

  // Signalled when results wait to be taken.
  HANDLE Ready() const;
  void Ask(uint64_t asker, const std::string& name);
  // The results that came in: the asker and the name's addresses (none: unresolved).
  std::vector<std::pair<uint64_t, std::vector<SocketAddress>>> Take();

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};
