// Stopping and starting the spooler: against Wine's real "Spooler" service (which
// really goes through STOP_PENDING, 1061 and 1062), and through a scripted manager for
// what Wine never does. Waits are recorded; the real ones also really happen.
#include <gtest/gtest.h>

#include <algorithm>

#include "SpoolerControl.h"
#include "robot.h"
#include "recording_services.h"
#include "scripted_services.h"

namespace {

// What a spooler action told its report.
struct RecordedReport : SpoolerReport {
  std::vector<SpoolerAction> notReached;
  std::vector<DWORD> refusals;
  void NotReached(SpoolerAction action) override { notReached.push_back(action); }
  void StartRefused(DWORD error) override { refusals.push_back(error); }
};

// Runs a spooler action while the robot makes sure that no window comes up: the store
// shows nothing, it tells its report.
DWORD ControlWithoutMessage(SpoolerAction action, ServiceControl& services, RecordedReport& report) {
  DWORD result = 0;
  Drive([&] { result = ControlSpooler(action, report, services); }, [](Robot&) {});
  return result;
}

DWORD ControlWithoutMessage(SpoolerAction action, ServiceControl& services) {
  RecordedReport report;
  DWORD result = ControlWithoutMessage(action, services, report);
  EXPECT_TRUE(report.notReached.empty());
  return result;
}

// Runs a spooler action that must end with the wanted state not reached.
DWORD ControlNotReached(SpoolerAction action, ServiceControl& services) {
  RecordedReport report;
  DWORD result = ControlWithoutMessage(action, services, report);
  EXPECT_EQ(report.notReached, std::vector<SpoolerAction>{action});
  return result;
}

TEST(RealSpooler, StopAndStartInEveryState) {
  RecordingServices services;
  ControlWithoutMessage(Start, services);  // whatever state the lab left it in

  services.waits.clear();
  EXPECT_EQ(ControlWithoutMessage(Stop, services), 0u);
  ASSERT_FALSE(services.waits.empty());
  EXPECT_EQ(services.waits.back(), 2000u);  // the final wait once stopped

  services.waits.clear();
  EXPECT_EQ(ControlWithoutMessage(Stop, services), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
  EXPECT_TRUE(services.waits.empty());

  EXPECT_EQ(ControlWithoutMessage(Start, services), 0u);
  EXPECT_EQ(ControlWithoutMessage(Start, services), 0u);  // already running: refused, no message
}

TEST(ScriptedSpooler, StopReportedAtOnceWaitsOnce) {
  ScriptedServices services;
  services.controlReplies = {{0, SERVICE_STOPPED}};
  EXPECT_EQ(ControlWithoutMessage(Stop, services), 0u);
  EXPECT_EQ(services.waits, std::vector<DWORD>{2000});
  EXPECT_EQ(services.opened, services.closed);
}

TEST(ScriptedSpooler, StoppedInTheTenthAttempt) {
  ScriptedServices services;
  services.controlReplies.push_back({0, SERVICE_STOP_PENDING});
  for (int i = 0; i < 9; ++i) services.controlReplies.push_back({ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_STOP_PENDING});
  services.controlReplies.push_back({0, SERVICE_STOPPED});
  EXPECT_EQ(ControlWithoutMessage(Stop, services), 0u);
  EXPECT_EQ(services.waits, std::vector<DWORD>(10, 2000));  // nine pending, then the final wait
  EXPECT_EQ(services.controlsSent.size(), 11u);
}

TEST(ScriptedSpooler, StuckInStopPendingGivesUpWithAMessage) {
  ScriptedServices services;
  services.controlReplies.push_back({0, SERVICE_STOP_PENDING});
  for (int i = 0; i < 10; ++i)
    services.controlReplies.push_back({ERROR_SERVICE_CANNOT_ACCEPT_CTRL, SERVICE_STOP_PENDING});
  EXPECT_EQ(ControlNotReached(Stop, services), 0u);
  EXPECT_EQ(services.waits, std::vector<DWORD>(10, 2000));
  EXPECT_EQ(services.opened, services.closed);
}

TEST(ScriptedSpooler, AnUnexpectedInterrogationErrorIsReturnedAtOnce) {
  ScriptedServices services;
  services.controlReplies = {{0, SERVICE_STOP_PENDING}, {ERROR_SERVICE_REQUEST_TIMEOUT, SERVICE_STOP_PENDING}};
  EXPECT_EQ(ControlWithoutMessage(Stop, services), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
  EXPECT_TRUE(services.waits.empty());
  EXPECT_EQ(services.opened, services.closed);
}

TEST(ScriptedSpooler, NeverRunningAfterAStartGivesUpWithAMessage) {
  ScriptedServices services;
  for (int i = 0; i < 10; ++i) services.controlReplies.push_back({0, SERVICE_START_PENDING});
  EXPECT_EQ(ControlNotReached(Start, services), 0u);
  EXPECT_TRUE(services.waits.empty());  // successful interrogations do not wait
  EXPECT_EQ(services.opened, services.closed);
}

TEST(ScriptedSpooler, StartRefusedOrRunningAtOnceShowsNothing) {
  ScriptedServices refused;
  refused.startError = ERROR_SERVICE_ALREADY_RUNNING;
  RecordedReport report;
  EXPECT_EQ(ControlWithoutMessage(Start, refused, report), 0u);
  EXPECT_EQ(report.refusals, std::vector<DWORD>{ERROR_SERVICE_ALREADY_RUNNING});
  EXPECT_TRUE(refused.controlsSent.empty());

  ScriptedServices started;
  started.controlReplies = {{0, SERVICE_RUNNING}};
  EXPECT_EQ(ControlWithoutMessage(Start, started), 0u);
  EXPECT_TRUE(started.waits.empty());
  EXPECT_EQ(started.opened, started.closed);
}

TEST(ScriptedSpooler, OpeningFailuresReturnTheirCode) {
  ScriptedServices manager;
  manager.managerError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(ControlWithoutMessage(Stop, manager), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  ScriptedServices service;
  service.serviceError = ERROR_SERVICE_DOES_NOT_EXIST;
  EXPECT_EQ(ControlWithoutMessage(Start, service), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
  EXPECT_EQ(service.opened, service.closed);
}

TEST(ScriptedSpooler, ARestartStopsPausesAndStartsWhateverTheStopGave) {
  struct Case {
    std::deque<ScriptedServices::Reply> replies;
    DWORD stopError;
    std::vector<SpoolerAction> notReached;
  };
  for (const Case& c : {
           Case{{{0, SERVICE_STOPPED}, {0, SERVICE_RUNNING}}, 0, {}},
           Case{{{ERROR_SERVICE_NOT_ACTIVE, SERVICE_STOPPED}, {0, SERVICE_RUNNING}}, ERROR_SERVICE_NOT_ACTIVE, {}},
           Case{{{0, SERVICE_STOP_PENDING}, {ERROR_SERVICE_REQUEST_TIMEOUT, SERVICE_STOP_PENDING}, {0, SERVICE_RUNNING}},
                ERROR_SERVICE_REQUEST_TIMEOUT, {}},
       }) {
    ScriptedServices services;
    services.controlReplies = c.replies;
    RecordedReport report;
    SpoolerRestart restart{};
    Drive([&] { restart = RestartSpooler(report, services); }, [](Robot&) {});
    EXPECT_EQ(restart.stopError, c.stopError);
    EXPECT_EQ(restart.startError, 0u);
    EXPECT_EQ(report.notReached, c.notReached);
    EXPECT_NE(std::find(services.waits.begin(), services.waits.end(), 200u), services.waits.end());
    EXPECT_TRUE(services.controlReplies.empty()) << "the start was made and interrogated";
    EXPECT_EQ(services.opened, services.closed);
  }
}

}  // namespace
