// IPP requests over WinHTTP to the lab's IPP printers: over ipp:// and ipps://, a body of
// known or unknown length, and the printer's certificate against the pin.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <string>
#include <vector>

#include "IppClient.h"
#include "ipp_lab.h"
#include "lab_printers.h"

namespace {

std::vector<uint8_t> PrintJob(const std::string& uri, const std::string& jobName) {
  ipp::Request request;
  request.operation = ipp::kPrintJob;
  request.printerUri = uri;
  request.userName = "ann";
  request.jobName = jobName;
  request.documentFormat = "application/octet-stream";
  return ipp::EncodeRequest(request);
}

int JobId(const IppOutcome& outcome) {
  const ipp::Attribute* id = outcome.response ? outcome.response->Find(ipp::Tag::JobAttributes, "job-id") : nullptr;
  return id && !id->Integers().empty() ? id->Integers()[0] : 0;
}

size_t FilesKept(int port) { return FilesIn(IppPrinterFolder(port), "*.ps").size(); }

// Every wait is bounded, the wait for the response's headers too.
TEST(IppClient, APrinterThatNeverAnswersIsGivenUp) {
  MutePrinter mute(8641);
  ASSERT_TRUE(mute.Listening());
  ipp::Request question;
  question.printerUri = mute.Uri();
  const IppOutcome outcome = PostIpp(mute.Uri(), ipp::EncodeRequest(question), "", {2000, 2000, 2000, 2000});
  EXPECT_EQ(outcome.failure, IppOutcome::Failure::Connection);
  // Windows' WinHTTP gives ERROR_WINHTTP_TIMEOUT; Wine's, the socket's WSAETIMEDOUT.
  EXPECT_TRUE(outcome.error == ERROR_WINHTTP_TIMEOUT || outcome.error == WSAETIMEDOUT) << outcome.error;
}

// The job's pieces as a driver writes them: the attributes, then the document in pieces.
bool WriteJob(IppPost& post, const std::vector<uint8_t>& attributes, const std::string& document) {
  if (!post.Write(attributes)) return false;
  const std::span bytes(reinterpret_cast<const uint8_t*>(document.data()), document.size());
  for (size_t at = 0; at < bytes.size(); at += 40000)
    if (!post.Write(bytes.subspan(at, std::min<size_t>(40000, bytes.size() - at)))) return false;
  return true;
}

std::optional<uint64_t> LengthOf(bool known, const std::vector<uint8_t>& attributes, const std::string& document) {
  return known ? std::optional<uint64_t>(attributes.size() + document.size()) : std::nullopt;
}

// Prints a job as a client does: again while the printer says it is busy with another
// (server-error-busy: the lab's printer takes one job at a time).
IppOutcome PrintWhenFree(const std::string& uri, const std::string& name, const std::string& document,
                         bool lengthKnown) {
  constexpr uint16_t kServerErrorBusy = 0x0507;
  const std::vector<uint8_t> attributes = PrintJob(uri, name);
  for (int attempt = 0;; ++attempt) {
    IppPost post(uri, "");
    if (post.Begin(LengthOf(lengthKnown, attributes, document))) WriteJob(post, attributes, document);
    const IppOutcome outcome = post.Finish();
    if (attempt == 50 || !outcome.Answered() || outcome.response->status != kServerErrorBusy) return outcome;
    Sleep(200);
  }
}

// A certificate that the system trusts, as the lab's self-signed ones cannot be: it passes
// only where nothing is pinned; a pin holds whoever signed another certificate.
TEST(IppClient, APinHoldsAgainstACertificateTheSystemTrusts) {
  const std::string a(64, 'A'), b(64, 'B');
  std::string written = "aa";  // as an administrator may write a pin: lower case, colons
  while (written.size() < 95) written += ":aa";
  struct Case {
    ServerCertificate shown;
    std::string pin;
    CertificateTrust trust;
  };
  for (const Case& c : {Case{{a, true}, "", CertificateTrust::System}, Case{{a, true}, a, CertificateTrust::Pinned},
                        Case{{a, false}, written, CertificateTrust::Pinned},
                        Case{{b, true}, a, CertificateTrust::Changed}, Case{{b, false}, "", CertificateTrust::FirstUse},
                        Case{{"", true}, "", CertificateTrust::Changed}})
    EXPECT_EQ(TrustIn(c.shown, c.pin), c.trust) << c.shown.fingerprint << " pinned " << c.pin;
}

TEST(IppClient, APrintJobArrivesByteForByteOfKnownOrUnknownLength) {
  struct Case {
    const char* scheme;
    bool lengthKnown;
    size_t size;
  };
  for (const Case& c : {Case{"ipp", true, 70000}, Case{"ipp", false, 300000}, Case{"ipps", true, 300000},
                        Case{"ipps", false, 70000}, Case{"ipps", false, 2500000}}) {
    const std::string name = std::string(c.scheme) + (c.lengthKnown ? "-known" : "-unknown");
    SCOPED_TRACE(name + ", " + std::to_string(c.size) + " bytes");
    const std::string document = IppDocument(c.size);
    const IppOutcome outcome = PrintWhenFree(IppPrinterUri(c.scheme), name, document, c.lengthKnown);
    ASSERT_TRUE(outcome.Answered()) << outcome.Text();
    ASSERT_TRUE(ipp::Succeeded(outcome.response->status)) << std::hex << outcome.response->status << " " << outcome.response->StatusMessage();
    EXPECT_EQ(outcome.secure, std::string(c.scheme) == "ipps");
    EXPECT_EQ(outcome.certificate.fingerprint.size(), outcome.secure ? 64u : 0u);
    EXPECT_EQ(IppKept(kIppPrinterPort, JobId(outcome), name), document);
  }
}

// Refused at the certificate once the headers are sent: the printer gets not one byte of
// the job. (A job of unknown length is refused when it ends: the monitor's jobs show it.)
TEST(IppClient, AChangedCertificateGetsNoByteOfTheJob) {
  const std::string pinned = IppFingerprint(), offered = IppFingerprint(kIppOtherCertificatePort);
  const std::string uri = IppPrinterUri("ipps", kIppOtherCertificatePort), document = IppDocument(5000);
  const std::vector<uint8_t> attributes = PrintJob(uri, "changed");
  const size_t before = FilesKept(kIppOtherCertificatePort);
  IppPost refused(uri, pinned);
  EXPECT_FALSE(refused.Begin(LengthOf(true, attributes, document)) && WriteJob(refused, attributes, document));
  const IppOutcome outcome = refused.Finish();
  EXPECT_EQ(outcome.failure, IppOutcome::Failure::CertificateChanged);
  EXPECT_FALSE(outcome.response);
  EXPECT_EQ(outcome.Text(), "the printer's certificate has changed: " + offered + " offered, " + pinned + " trusted");
  Sleep(500);
  EXPECT_EQ(FilesKept(kIppOtherCertificatePort), before);
}

}  // namespace
