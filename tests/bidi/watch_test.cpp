// The bi-directional watch at print-server scale, in the lab: a few hundred ports on a
// handful of agents (one of them on ::1) and silent LAN addresses. The words follow the
// agents; ports join and leave the running watch; Shutdown returns while a name lookup
// and questions to silent printers are under way, and no code of the monitor runs once
// the library has gone.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "DriverStatus.h"
#include "MonitorRegistry.h"
#include "Snmp.h"
#include "UdpSocket.h"
#include "lab_printers.h"
#include "loaded_monitor.h"
#include "registry.h"
#include "spooler_lab.h"

namespace {

constexpr int kPorts = 240;
// The agents of tests/bidi (lab-printer --state ready), and a LAN address where nothing answers.
const char* const kAgents[] = {"127.1.0.40", "127.1.0.41", "127.1.0.46", "::1"};
constexpr char kLeaving[] = "127.1.0.47";  // the agent of the port that is deleted
constexpr char kSilent[] = "127.1.0.99";
constexpr char kSlowName[] = "slow-printer.example";  // only the test's name server knows it
constexpr DWORD kStatusSeconds = 1;

// Every tenth port's printer is silent; the others spread over the agents.
std::string AddressOf(int port) { return port % 10 == 9 ? kSilent : kAgents[port % std::size(kAgents)]; }
std::string PortOf(int port) { return "Scale" + std::to_string(port); }
std::string PrinterOf(const std::string& port) { return port + "Printer"; }

bool Established(const std::string& port) { return IsBiDiLinkEstablished(PrinterOf(port).c_str()); }
bool Stopped(const std::string& port) { return ReadPbdStatus(PrinterOf(port).c_str()) != 0; }

// Waits for what the watch must come to: two status intervals and a question's own
// time, and the watch's start.
bool Within(const std::function<bool()>& condition, DWORD extraMs = 4000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 2 * kStatusSeconds * 1000 + extraMs; Sleep(100))
    if (condition()) return true;
  return condition();
}

// The words of every port: established where its agent answers, stopped where the agent
// that answered has stopped, never established where nothing answers.
bool WordsFollowAgents(const std::string& stoppedAgent) {
  for (int port = 0; port < kPorts; ++port) {
    const std::string address = AddressOf(port), name = PortOf(port);
    const bool ok = address == kSilent          ? !Established(name)
                    : address == stoppedAgent ? !Established(name) && Stopped(name)
                                              : Established(name) && !Stopped(name);
    if (!ok) return false;
  }
  return true;
}

// The agent's count of the SNMP messages it received (snmpInPkts.0), our own among them.
int64_t AgentPackets(const char* address) {
  WinsockSession winsock;
  UdpSocket socket;
  socket.SendTo(HostOrder(address), 161, snmp::EncodeGetRequest("mirabo", 77, {{1, 3, 6, 1, 2, 1, 11, 1, 0}}));
  std::vector<uint8_t> datagram;
  uint32_t from = 0;
  uint16_t port = 0;
  if (!socket.Receive(datagram, from, port, 2000)) return -1;
  std::optional<snmp::Response> answer = snmp::DecodeGetResponse(datagram);
  return answer && answer->varbinds.size() == 1 ? answer->varbinds[0].integer : -1;
}

// A name server on 127.0.0.1 (the lab's resolver asks there) that holds every question
// until it is told to answer; then it says that no such name exists.
class HeldNameServer {
 public:
  HeldNameServer() : socket_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~HeldNameServer() { closesocket(socket_); }
  bool Bound() const { return bound_; }
  // True once a question has come in.
  bool Asked(DWORD timeoutMs) { return Readable(timeoutMs); }
  // Answers every question that comes within the time.
  void AnswerFor(DWORD ms) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
      if (!Readable(100)) continue;
      char query[512];
      sockaddr_in from{};
      int fromLength = sizeof from;
      const int length = recvfrom(socket_, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (length < 12) continue;
      query[2] = static_cast<char>(query[2] | 0x80);                   // a response
      query[3] = static_cast<char>((query[3] & 0xF0) | 0x80 | 3);       // recursion available, no such name
      sendto(socket_, query, length, 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
  }

 private:
  bool Readable(DWORD ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &wait) == 1;
  }
  WinsockSession winsock_;
  SOCKET socket_;
  bool bound_ = false;
};

class BidiAtScale : public testing::Test {
 public:
  BidiAtScale() {
    for (int port = 0; port < kPorts; ++port) AddPort(PortOf(port), AddressOf(port));
  }
  ~BidiAtScale() override {
    monitor.reset();
    RunLabAgent(std::string("start ") + kAgents[1]);
  }

  // `writerPauseMs`: how long after the port's key its writer writes the other values.
  void AddPort(const std::string& port, const std::string& address, DWORD writerPauseMs = 0) {
    spooler.AddMonitorPort(port, address);
    Sleep(writerPauseMs);
    spooler.AddLocalPrinter(PrinterOf(port), port);
    const std::string key = std::string(kPortNamesKey) + "\\" + port;
    SetTextValue(HKEY_LOCAL_MACHINE, key, "CommunityName", "mirabo");
    for (auto [name, value] : {std::pair{"BiDiEnabled", 1ul}, {"StatusUpdateInt", kStatusSeconds},
                               {"ConfigUpdateInt", 999ul}, {"SnmpUpdated", 0ul}})
      SetNumberValue(HKEY_LOCAL_MACHINE, key, name, value);
  }

  // The name's lookup answers only after the port's address became an agent's: the
  // answer for the old name must not be taken for the new address.
  void RenameDuringLookup() {
    HeldNameServer nameServer;
    ASSERT_TRUE(nameServer.Bound());
    AddPort("ScaleRenamed", kSlowName);
    ASSERT_TRUE(nameServer.Asked(10000));
    const std::string key = std::string(kPortNamesKey) + "\\ScaleRenamed";
    SetTextValue(HKEY_LOCAL_MACHINE, key, "DeviceIP", kAgents[0]);
    SetNumberValue(HKEY_LOCAL_MACHINE, key, "SnmpUpdated", 1);
    Sleep(1000);  // the watch has read the new address
    nameServer.AnswerFor(1000);
  }

  SpoolerLab spooler;
  std::optional<LoadedMonitor> monitor;
};

TEST_F(BidiAtScale, TheWordsOfManyPortsFollowTheirAgentsAndPortsJoinTheRunningWatch) {
  struct Step {
    const char* what;
    std::function<void(BidiAtScale&)> act;
    std::function<bool()> until;
  };
  const Step steps[] = {
      {"loaded", [](BidiAtScale& t) { t.monitor.emplace(); }, [] { return WordsFollowAgents(""); }},
      {"an agent stopped", [](BidiAtScale&) { ASSERT_TRUE(RunLabAgent(std::string("stop ") + kAgents[1])); },
       [] { return WordsFollowAgents(kAgents[1]); }},
      {"the agent started again", [](BidiAtScale&) { ASSERT_TRUE(RunLabAgent(std::string("start ") + kAgents[1])); },
       [] { return WordsFollowAgents(""); }},
      {"a port added on ::1 by a writer slower than the watch's wait for its values",
       [](BidiAtScale& t) { t.AddPort("ScaleJoined", "::1", 2000); },
       [] { return Established("ScaleJoined") && WordsFollowAgents(""); }},
      {"an address typed over a name whose lookup is under way", [](BidiAtScale& t) { t.RenameDuringLookup(); },
       [] { return Established("ScaleRenamed"); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act(*this);
    ASSERT_TRUE(monitor && monitor->Loaded());
    EXPECT_TRUE(Within(step.until));
  }
}

TEST_F(BidiAtScale, ADeletedPortIsAskedNoMore) {
  AddPort("ScaleLeaving", kLeaving);
  monitor.emplace();
  ASSERT_TRUE(Within([] { return Established("ScaleLeaving"); }));
  DeleteTree(HKEY_LOCAL_MACHINE, std::string(kPortNamesKey) + "\\ScaleLeaving");
  Sleep(2 * kStatusSeconds * 1000);  // a question under way at the delete has ended
  const int64_t before = AgentPackets(kLeaving);
  Sleep(3 * kStatusSeconds * 1000);
  EXPECT_EQ(AgentPackets(kLeaving), before + 1);  // our own question only
}

// The ports on one printer share its questions: its agent is asked about once a status
// interval, not once for each port.
TEST_F(BidiAtScale, PortsOnOnePrinterShareItsQuestions) {
  const char* const shared = kAgents[2];
  monitor.emplace();
  ASSERT_TRUE(Within([] { return WordsFollowAgents(""); }));
  int portsOnAgent = 0;
  for (int port = 0; port < kPorts; ++port) portsOnAgent += AddressOf(port) == shared;
  const int64_t before = AgentPackets(shared);
  Sleep(3 * kStatusSeconds * 1000);
  EXPECT_LT(AgentPackets(shared) - before, portsOnAgent) << "three intervals' questions, fewer than the ports";
}

// The lab's resolver waits 30 s for a name server (RES_OPTIONS of these tests): the
// lookup of the slow name is still under way when the test lets the name server answer.
TEST_F(BidiAtScale, ShutdownReturnsWhileALookupAndQuestionsAreUnderWayAndNothingRunsAfterTheUnload) {
  HeldNameServer nameServer;
  ASSERT_TRUE(nameServer.Bound());
  AddPort("ScaleSlowName", kSlowName);
  monitor.emplace();
  ASSERT_TRUE(nameServer.Asked(10000));
  // Shutdown on a thread of its own: one that waited for the lookup would hold the test
  // until the name server answers, which it does only after the watch.
  std::atomic<bool> returned{false};
  std::thread spooler([&] {
    monitor->Shutdown();
    returned = true;
  });
  EXPECT_TRUE(Within([&] { return returned.load(); }, 0)) << "Shutdown waited for the name lookup";
  if (!returned) nameServer.AnswerFor(1000);
  spooler.join();
  monitor->Unload();
  // The lookup ends now, in a library that the spooler has freed: its thread must leave
  // without running code that is gone, and the library goes once it has.
  nameServer.AnswerFor(1000);
  EXPECT_TRUE(Within([] { return GetModuleHandleA("PraloLpr.dll") == nullptr; }));
}

}  // namespace
