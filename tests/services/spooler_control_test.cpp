// Stopping and starting the spooler: against Wine's real "Spooler" service (which
// really goes through STOP_PENDING, 1061 and 1062), and through a scripted manager for
// what Wine never does. Waits are recorded; the real ones also really happen.
#include <gtest/gtest.h>

#include "SpoolerControl.h"
#include "robot.h"
#include "recording_services.h"
#include "scripted_services.h"

namespace {

// Runs a spooler action while the robot makes sure that no window comes up.
DWORD ControlWithoutMessage(SpoolerAction action, ServiceControl& services) {
  DWORD result = 0;
  Drive([&] { result = ControlSpooler(action, services); }, [](Robot&) {});
  return result;
}

// Runs a spooler action that must end with this "failed" message.
DWORD ControlWithMessage(SpoolerAction action, ServiceControl& services, const char* text) {
  DWORD result = 0;
  Drive([&] { result = ControlSpooler(action, services); },
        [&](Robot& robot) {
          Window box = robot.ExpectMessageBox();
          EXPECT_EQ(box.MessageText(), text);
          EXPECT_EQ(box.Caption(), "services_test");
          EXPECT_EQ(box.Icon(), MessageIcon::Exclamation);
          EXPECT_EQ(box.Buttons(), std::vector<int>{IDOK});
          box.Answer(IDOK);
        });
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
  EXPECT_EQ(ControlWithMessage(Stop, services, "Stop spooler failed!"), 0u);
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
  EXPECT_EQ(ControlWithMessage(Start, services, "Start spooler failed!"), 0u);
  EXPECT_TRUE(services.waits.empty());  // successful interrogations do not wait
  EXPECT_EQ(services.opened, services.closed);
}

TEST(ScriptedSpooler, StartRefusedOrRunningAtOnceShowsNothing) {
  ScriptedServices refused;
  refused.startError = ERROR_SERVICE_ALREADY_RUNNING;
  EXPECT_EQ(ControlWithoutMessage(Start, refused), 0u);
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

}  // namespace
