// Jobs to the lab's IPP printer over ipp:// and ipps://, through Wine's spooler and as a
// port handle drives the port's job: what arrives, and what the printer made of it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <thread>

#include "AdminOnly.h"
#include "AnsiText.h"
#include "IppClient.h"
#include "IppJob.h"
#include "PortHandle.h"
#include "PortKey.h"
#include "PrintJob.h"
#include "TextField.h"
#include "child_process.h"
#include "ipp_lab.h"
#include "lab_printers.h"
#include "loaded_monitor.h"
#include "recording_news.h"
#include "registry.h"
#include "spooler_lab.h"
#include "spooler_printer.h"

namespace {

constexpr int32_t kJobProcessing = 5;
constexpr int32_t kJobCanceled = 7;
// These tests' own printer (tests/printing/CMakeLists.txt).
constexpr int kPrinter = 8633;

std::string UserName() {
  char name[257];
  DWORD size = sizeof name;
  GetUserNameA(name, &size);
  return name;
}

PortConfig IppPort(const std::string& name, const std::string& uri, const char* format = kDefaultIppDocumentFormat) {
  PortConfig config;
  ResetPortConfig(config, name.c_str());
  CopyText(config.deviceIP, kIppPrinterAddress);
  CopyText(config.ippUri, uri);
  CopyText(config.ippDocumentFormat, format);
  return config;
}

// The lab printer's answer about its jobs (Get-Jobs, all of them), asked over ipp://.
ipp::Response Jobs() {
  ipp::Request request;
  request.operation = ipp::kGetJobs;
  request.printerUri = IppPrinterUri("ipp", kPrinter);
  request.requestedAttributes = {"job-id", "job-name", "job-originating-user-name", "job-state"};
  request.extra.push_back({ipp::Tag::Keyword, "which-jobs", {"all"}});
  IppOutcome outcome = PostIpp(request.printerUri, ipp::EncodeRequest(request), "");
  EXPECT_TRUE(outcome.Answered()) << outcome.Text();
  return outcome.response ? *outcome.response : ipp::Response{};
}

struct PrinterJob {
  int32_t id = 0, state = 0;
  std::string user;
  int jobs = 0;  // of that name
};

// The printer's job of that name (the latest) as it is now.
PrinterJob LatestNamed(const std::string& name) {
  PrinterJob job;
  for (const ipp::Group& group : Jobs().groups) {
    const ipp::Attribute* named = group.Find("job-name");
    if (group.tag != ipp::Tag::JobAttributes || named == nullptr || named->Text() != name) continue;
    job.id = group.Find("job-id")->Integers().front();
    job.state = group.Find("job-state")->Integers().front();
    job.user = group.Find("job-originating-user-name")->Text();
    ++job.jobs;
  }
  return job;
}

// The same, once it reached an end.
PrinterJob JobNamed(const std::string& name) {
  PrinterJob job;
  for (int tries = 0; tries < 100 && job.state < kJobCanceled; ++tries, Sleep(100)) job = LatestNamed(name);
  return job;
}

class IppPrinting : public testing::Test {
 protected:
  SpoolerLab spooler;
};

TEST_F(IppPrinting, WhatArrivesIsWhatWasPrintedUnderTheJobsNameAndUser) {
  const std::string every = IppDocument(16384), large = IppDocument(6u << 20);
  for (const char* scheme : {"ipp", "ipps"}) {
    for (const std::string* bytes : {&every, &large}) {
      const std::string port = std::string("Ipp ") + scheme + " " + std::to_string(bytes->size());
      SCOPED_TRACE(port);
      spooler.AddMonitorPort(IppPort(port, IppPrinterUri(scheme, kPrinter)));
      SpoolerPrinter printer("Printer " + port, port);
      ASSERT_TRUE(printer.Added()) << GetLastError();
      const std::string document = "Report " + port;

      ASSERT_EQ(printer.Print(document, *bytes), 0u);

      const PrinterJob job = JobNamed(document);
      EXPECT_EQ(job.user, UserName());
      EXPECT_TRUE(IppKept(kPrinter, job.id) == *bytes);
      if (std::string(scheme) == "ipps") {
        EXPECT_EQ(StoredText(port, "IppCertificate"), IppFingerprint(kPrinter)) << "trusted on first use";
      }
    }
  }
}

// The port's job as the port handle makes it from the record and drives it; `deleted`
// stands for the spooler's word on whether the user deleted the job.
struct JobRun {
  DWORD started = 0, written = 0, finished = 0;
  std::unique_ptr<PrintJob> job;
};

JobRun RunJob(const std::string& port, const std::string& document, const std::string& bytes,
              std::function<bool()> deleted = [] { return false; }) {
  JobRun run;
  run.job = MakePrintJob(ReadStoredPort(port).port, JobDetails{"host", "ann", document}, std::move(deleted));
  if ((run.started = run.job->Start()) != 0) return run;
  for (size_t at = 0; at < bytes.size() && run.written == 0;) {
    size_t taken = 0;
    run.written = run.job->Write(std::span(reinterpret_cast<const uint8_t*>(bytes.data()) + at, bytes.size() - at), taken);
    at += taken;
  }
  if (run.written == 0) run.finished = run.job->Finish();
  return run;
}

std::string IppUri(const char* scheme) { return IppPrinterUri(scheme, kPrinter); }

// The jobs' bodies that the monitor keeps until they end, in its folder.
size_t KeptBodies() { return FilesIn(MonitorFolder(), "ipp-*").size(); }

TEST_F(IppPrinting, TheJobTellsWhatThePrinterMadeOfIt) {
  const std::string bytes = IppDocument(16384);
  struct Case {
    const char* name;
    PortConfig port;
    std::function<void(const std::string& document)> check;
  };
  for (Case& c : std::vector<Case>{
           {"a format that the printer does not take", IppPort("IppFormat", IppUri("ipp"), "image/pwg-raster"),
            [&](const std::string& document) {
              const JobRun run = RunJob("IppFormat", document, bytes);
              EXPECT_EQ(run.started | run.written | run.finished, static_cast<DWORD>(ERROR_BAD_NET_RESP));
              EXPECT_NE(run.job->Refusal().find("document-format"), std::string::npos) << run.job->Refusal();
              EXPECT_EQ(JobNamed(document).id, 0) << "the printer made no job of it";
            }},
           {"deleted in the queue while the printer prints it", IppPort("IppDeleted", IppUri("ipps")),
            [&](const std::string& document) {
              // The printer's command holds each job while this file is there (lab-ipp-printer).
              const std::string hold = IppPrinterFolder(kPrinter) + "/../hold";
              std::ofstream(hold).put('\n');
              std::thread release([&] { Sleep(2000), DeleteFileA(hold.c_str()); });
              const JobRun run =
                  RunJob("IppDeleted", document, bytes, [&] { return LatestNamed(document).state == kJobProcessing; });
              release.join();
              EXPECT_EQ(run.finished, 0u) << run.job->Refusal();
              EXPECT_EQ(run.job->Outcome(), "Cancelled at the printer");
              EXPECT_EQ(JobNamed(document).state, kJobCanceled);
            }},
           {"a certificate other than the one trusted", IppPort("IppChanged", IppUri("ipps")),
            [&](const std::string& document) {
              const std::string first = IppFingerprint(kPrinter);
              ASSERT_EQ(RunJob("IppChanged", document + " first", bytes).finished, 0u);
              ASSERT_TRUE(RunLabTool("lab-ipp-printer", "rekey " + std::to_string(kPrinter)));
              const std::string renewed = IppFingerprint(kPrinter);
              ASSERT_NE(renewed, first);

              const JobRun refused = RunJob("IppChanged", document, bytes);
              EXPECT_EQ(refused.finished, kCertificateChangedError);
              EXPECT_EQ(refused.job->CertificateChange(),
                        "the printer's certificate has changed: " + renewed + " offered, " + first + " trusted");
              EXPECT_EQ(StoredText("IppChanged", "IppCertificate"), first);
              EXPECT_EQ(StoredText("IppChanged", "IppCertificateOffered"), renewed);
              EXPECT_EQ(JobNamed(document).id, 0) << "the printer has nothing of it";

              ChildResult trust = RunChild("\"" + DistFile("prlport.exe") + "\" trust IppChanged");
              ASSERT_EQ(trust.exitCode, 0u) << trust.output;
              EXPECT_EQ(RunJob("IppChanged", document, bytes).job->Outcome(), "Printed by the printer");
            }},
           {"deleted in the queue before it ends", IppPort("IppDeletedEarly", IppUri("ipp")),
            [&](const std::string& document) {
              const size_t keptBefore = KeptBodies();
              JobRun run = RunJob("IppDeletedEarly", document, bytes, [] { return true; });
              EXPECT_EQ(KeptBodies(), keptBefore + 1);
              EXPECT_EQ(run.finished, static_cast<DWORD>(ERROR_PRINT_CANCELLED));
              run.job.reset();
              EXPECT_EQ(KeptBodies(), keptBefore);
              EXPECT_EQ(JobNamed(document).id, 0) << "the printer has nothing of it";
            }},
           {"deleted while its printer hangs", IppPort("IppDeletedHung", IppUri("ipp")),
            [&](const std::string& document) {
              auto deleted = std::make_shared<std::atomic<bool>>(false);
              ASSERT_TRUE(RunLabTool("lab-ipp-printer", "stall " + std::to_string(kPrinter) + " 15"));
              const JobRun run = RunJob("IppDeletedHung", document, bytes, [deleted] { return deleted->load(); });
              EXPECT_EQ(run.finished, static_cast<DWORD>(ERROR_RETRY)) << "the job waits";
              *deleted = true;
              EXPECT_EQ(run.job->Finish(), static_cast<DWORD>(ERROR_PRINT_CANCELLED));
              EXPECT_EQ(run.job->Refusal(), "") << "no fault of the printer";
              Sleep(6000);
              EXPECT_EQ(JobNamed(document).id, 0) << "the printer has nothing of it";
            }},
       }) {
    SCOPED_TRACE(c.name);
    spooler.AddMonitorPort(c.port);
    c.check(std::string("Job ") + c.name);
  }
}

// A printer that hangs for longer than every bound, or is busy with another job, has the
// job wait in EndDocPort, the stall told once, and ends with one whole copy; one that
// aborts the job it took is an event with its words.
TEST_F(IppPrinting, AHungOrBusyPrinterIsWaitedForAndItsAbortIsAnEvent) {
  const std::string printer = std::to_string(kPrinter);
  const auto busyAnswers = [] {  // in the printer's log
    std::ifstream log(IppPrinterFolder(kPrinter) + "/../log");
    const std::string text(std::istreambuf_iterator<char>(log), {});
    int count = 0;
    for (size_t at = 0; (at = text.find("server-error-busy", at)) != std::string::npos; ++at) ++count;
    return count;
  };
  struct Case {
    const char* port;
    const char* scheme;
    std::string lab, labAfter;  // lab-ipp-printer's words before the job, and meanwhile
    int busy;                   // answers at least
    std::vector<std::string> told;
    std::string said;  // in the last event that told a failure
  };
  for (const Case& c : std::vector<Case>{
           {"ipphung", "ipp", "stall " + printer + " 35", "", 0, {"stalled ipphung", "resumed ipphung"}, ""},
           {"ippbusy", "ipps", "state " + printer + " processing", "state " + printer + " ready", 2,
            {"stalled ippbusy", "resumed ippbusy"}, ""},
           {"ippaborts", "ipp", "state " + printer + " aborts", "", 0, {"9 ippaborts 127.1.0.60"},
            "The paper path is jammed."},
       }) {
    SCOPED_TRACE(c.port);
    spooler.AddMonitorPort(IppPort(c.port, IppUri(c.scheme)));
    // In lower case, as the printer keeps it with the job's number (which starts again
    // when the printer is given a new certificate).
    const std::string document = std::string("wait") + c.port, bytes = IppDocument(3u << 20);
    const int busyBefore = busyAnswers();
    RecordingNews news;
    PortHandle handle(c.port, news);
    ASSERT_TRUE(RunLabTool("lab-ipp-printer", c.lab));
    std::thread meanwhile([&] { Sleep(2500), c.labAfter.empty() || RunLabTool("lab-ipp-printer", c.labAfter); });

    ASSERT_EQ(handle.StartDoc(nullptr, 12, WideText(document).c_str()), 0u);
    size_t taken = 0;
    EXPECT_EQ(handle.Write(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), taken), 0u);
    EXPECT_EQ(handle.EndDoc(), 0u);
    meanwhile.join();

    EXPECT_EQ(news.told, c.told);
    EXPECT_GE(busyAnswers() - busyBefore, c.busy);
    const PrinterJob job = JobNamed(document);
    EXPECT_EQ(job.jobs, 1);
    EXPECT_TRUE(IppKept(kPrinter, job.id, document) == bytes);
    EXPECT_EQ(news.said, c.said);
  }
  ASSERT_TRUE(RunLabTool("lab-ipp-printer", "state " + printer + " ready"));
}

}  // namespace

// The spooler stopping (Shutdown) ends a job's wait for a hung printer; the job stays
// queued.
TEST_F(IppPrinting, AMonitorShutDownEndsTheWaitForAHungPrinter) {
  spooler.AddMonitorPort(IppPort("IppShutDown", IppUri("ipp")));
  LoadedMonitor monitor;
  ASSERT_TRUE(monitor.Loaded());
  MonitorPort port(monitor, "IppShutDown");
  ASSERT_EQ(port.Start(), 0u);
  ASSERT_EQ(port.WriteAll(IppDocument(16384)), 0u);
  ASSERT_TRUE(RunLabTool("lab-ipp-printer", "stall " + std::to_string(kPrinter) + " 30"));
  DWORD ended = 0;
  std::thread end([&] { ended = port.End(); });
  Sleep(2000);
  monitor.Shutdown();
  end.join();
  EXPECT_EQ(ended, static_cast<DWORD>(ERROR_SHUTDOWN_IN_PROGRESS));
  port.Close();
}
