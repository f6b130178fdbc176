// A peer on the network that forges SNMP answers in a printer's place: every SNMP path
// (identification, status, the discovery sweep) takes only the answer to its own
// question, and keeps waiting through a flood of junk for it. Runs with the hostile
// responder, before the lab's agents hold port 161.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "PrlFind.h"
#include "PrlStat.h"
#include "StatusQuery.h"
#include "hostile_responder.h"
#include "identify.h"
#include "lab_printers.h"
#include "winsock_test.h"

namespace {

using Datagrams = std::vector<HostileResponder::Datagram>;
using ForgedAnswers = WinsockTest;

const ber::Bytes kSysName = ber::Oid({6, 1, 2, 1, 1, 5, 0});
const ber::Bytes kSysObjectId = ber::Oid({6, 1, 2, 1, 1, 2, 0});
const ber::Bytes kDeviceDescr = ber::Oid({6, 1, 2, 1, 25, 3, 2, 1, 3, 1});
constexpr uint32_t kReal = 1, kForged = 666;

// The sweep's report of the responder's address: the name it answered with.
class SweepCollector {
 public:
  static int CALLBACK Callback(DiscoveredPrinter* printer, void* context) {
    auto* self = static_cast<SweepCollector*>(context);
    std::lock_guard lock(self->mutex_);
    if (printer->address == HostOrder(HostileResponder::kAddress))
      self->name_.assign(printer->name, strnlen(printer->name, sizeof printer->name));
    return 1;
  }
  std::string Name() {
    std::lock_guard lock(mutex_);
    return name_;
  }

 private:
  std::mutex mutex_;
  std::string name_;
};

std::string Swept() {
  SweepCollector collector;
  DiscoveryContext context{};
  EXPECT_EQ(StartDiscovery(&context, &SweepCollector::Callback, &collector, 0), 0);
  EXPECT_EQ(AddDiscoverySubnet(&context, MakeDiscoverySubnet(HostOrder("127.0.0.0"), HostOrder("255.255.255.252")), 0, 0), 0);
  for (DWORD start = GetTickCount(); collector.Name().empty() && GetTickCount() - start < 5000;) Sleep(20);
  EXPECT_EQ(StopDiscovery(&context), 0);
  return collector.Name();
}

// Each SNMP path: the answer it takes, and what it then reports of it.
struct Path {
  const char* what;
  std::function<ber::Bytes(int32_t id, uint32_t which)> answer;
  std::function<std::string()> ask;
  std::string real;  // what it reports of the real answer
};

const Path kPaths[] = {
    {"identification",
     [](int32_t id, uint32_t which) {
       return ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 99999, which}))});
     },
     [] { return Identify(HostileResponder::kAddress, "mirabo").identifier; }, "1.3.6.1.4.1.99999.1"},
    {"status",
     [](int32_t id, uint32_t which) {
       return ber::GetResponse(id, {ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 99999, which}))}, 2);
     },
     [] { return QueryPrinterState(HostileResponder::kAddress, "mirabo", nullptr).identity; }, "1.3.6.1.4.1.99999.1"},
    {"discovery sweep",
     [](int32_t id, uint32_t which) {
       const std::string name = which == kReal ? "real" : "forged";
       return ber::GetResponse(id, {ber::Varbind(kSysName, ber::Text(name)),
                                    ber::Varbind(kSysObjectId, ber::Oid({6, 1, 4, 1, 99999, which})),
                                    ber::Varbind(kDeviceDescr, ber::Text(name))});
     },
     Swept, "real"},
};

// What the forger sends for each question it sees.
struct Attack {
  const char* what;
  std::function<Datagrams(const Path&, int32_t id, int question)> script;
};

const Attack kAttacks[] = {
    // Counted ids make the retry's id the question's plus one, and the sweep's the host's
    // place in it: answers for those ids, the retry's sent after the first wait ran out.
    {"answers for guessed request ids",
     [](const Path& path, int32_t id, int question) {
       if (question > 0) return Datagrams{{path.answer(id, kReal)}};
       Datagrams forged;
       for (int32_t place = 0; place < 64; ++place) forged.push_back({path.answer(place << 3, kForged)});
       forged.push_back({path.answer(id + 1, kForged), false, 600});
       return forged;
     }},
    // A datagram over the size read, and junk, before every real answer.
    {"a flood of junk before the answer",
     [](const Path& path, int32_t id, int) {
       Datagrams flood{{ber::Bytes(2000, 0x30)}};
       for (int i = 0; i < 100; ++i) flood.push_back({{0x30, 0x03, 0x02, 0x01, static_cast<uint8_t>(i)}});
       flood.push_back({path.answer(id, kReal)});
       return flood;
     }},
};

TEST_F(ForgedAnswers, EveryPathTakesOnlyTheAnswerToItsOwnQuestion) {
  for (const Attack& attack : kAttacks)
    for (const Path& path : kPaths) {
      SCOPED_TRACE(std::string(attack.what) + ", " + path.what);
      int question = 0;
      HostileResponder responder([&](int32_t id) { return attack.script(path, id, question++); });
      EXPECT_EQ(path.ask(), path.real);
    }
}

}  // namespace
