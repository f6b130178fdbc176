// IPP requests over WinHTTP to the lab's IPP printers: over ipp:// and ipps://, a body of
// known or unknown length, and the printer's certificate against the pin.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <string>
#include <vector>

#include "IppClient.h"
#include "ipp_lab.h"

namespace {

std::vector<uint8_t> GetPrinterAttributes(const std::string& uri) {
  ipp::Request request;
  request.printerUri = uri;
  request.requestedAttributes = {"printer-state", "printer-state-reasons"};
  return ipp::EncodeRequest(request);
}

// A document that the printer takes (it sees PostScript in its first bytes), with every
// byte value after them.
std::vector<uint8_t> Document(size_t size) {
  std::vector<uint8_t> document = {'%', '!', 'P', 'S', '\n'};
  for (size_t i = 0; document.size() < size; ++i) document.push_back(static_cast<uint8_t>(i * 7));
  return document;
}

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

size_t FilesKept(int port) {
  size_t count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((IppPrinterFolder(port) + "/*.ps").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do ++count;
  while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

// The fingerprint that the printer at that port shows, trusted on first use.
std::string FingerprintAt(int port) {
  const std::string uri = IppPrinterUri("ipps", port);
  return PostIpp(uri, GetPrinterAttributes(uri), "").certificate.fingerprint;
}

// Every wait is bounded, the wait for the response's headers too.
TEST(IppClient, APrinterThatNeverAnswersIsGivenUp) {
  MutePrinter mute(8641);
  ASSERT_TRUE(mute.Listening());
  const IppOutcome outcome = PostIpp(mute.Uri(), GetPrinterAttributes(mute.Uri()), "", {2000, 2000, 2000, 2000});
  EXPECT_EQ(outcome.failure, IppOutcome::Failure::Connection);
  // Windows' WinHTTP gives ERROR_WINHTTP_TIMEOUT; Wine's, the socket's WSAETIMEDOUT.
  EXPECT_TRUE(outcome.error == ERROR_WINHTTP_TIMEOUT || outcome.error == WSAETIMEDOUT) << outcome.error;
}

TEST(IppClient, ACertificateGoesOnOnlyWithItsPin) {
  const std::string fingerprint = FingerprintAt(kIppPrinterPort);
  ASSERT_EQ(fingerprint.size(), 64u);
  std::string written;  // as an administrator may write it: lower case, colons
  for (size_t i = 0; i < fingerprint.size(); i += 2)
    written += (i ? ":" : "") + std::string{static_cast<char>(tolower(fingerprint[i])), static_cast<char>(tolower(fingerprint[i + 1]))};
  const std::string uri = IppPrinterUri("ipps");
  const std::pair<std::string, CertificateTrust> cases[] = {
      {"", CertificateTrust::FirstUse}, {fingerprint, CertificateTrust::Pinned}, {written, CertificateTrust::Pinned}};
  for (const auto& [pin, trust] : cases) {
    const IppOutcome outcome = PostIpp(uri, GetPrinterAttributes(uri), pin);
    EXPECT_TRUE(outcome.Answered()) << pin << ": " << outcome.Text();
    EXPECT_EQ(outcome.trust, trust) << pin;
  }
}

// The job's pieces as a driver writes them: the attributes, then the document in pieces.
bool WriteJob(IppPost& post, const std::vector<uint8_t>& attributes, const std::vector<uint8_t>& document) {
  if (!post.Write(attributes)) return false;
  for (size_t at = 0; at < document.size(); at += 40000)
    if (!post.Write(std::span(document).subspan(at, std::min<size_t>(40000, document.size() - at)))) return false;
  return true;
}

std::optional<uint64_t> LengthOf(bool known, const std::vector<uint8_t>& attributes, const std::vector<uint8_t>& document) {
  return known ? std::optional<uint64_t>(attributes.size() + document.size()) : std::nullopt;
}

// Prints a job as a client does: again while the printer says it is busy with another
// (server-error-busy: the lab's printer takes one job at a time).
IppOutcome PrintWhenFree(const std::string& uri, const std::string& pinned, const std::string& name,
                         const std::vector<uint8_t>& document, bool lengthKnown) {
  constexpr uint16_t kServerErrorBusy = 0x0507;
  const std::vector<uint8_t> attributes = PrintJob(uri, name);
  for (int attempt = 0;; ++attempt) {
    IppPost post(uri, pinned);
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
  struct Case {
    ServerCertificate shown;
    std::string pin;
    CertificateTrust trust;
  };
  for (const Case& c : {Case{{a, true}, "", CertificateTrust::System}, Case{{a, true}, a, CertificateTrust::Pinned},
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
    const std::vector<uint8_t> document = Document(c.size);
    const IppOutcome outcome = PrintWhenFree(IppPrinterUri(c.scheme), "", name, document, c.lengthKnown);
    ASSERT_TRUE(outcome.Answered()) << outcome.Text();
    ASSERT_TRUE(ipp::Succeeded(outcome.response->status)) << std::hex << outcome.response->status << " " << outcome.response->StatusMessage();
    EXPECT_EQ(outcome.secure, std::string(c.scheme) == "ipps");
    EXPECT_EQ(outcome.certificate.fingerprint.size(), outcome.secure ? 64u : 0u);
    EXPECT_EQ(IppKept(kIppPrinterPort, JobId(outcome), name), std::string(document.begin(), document.end()));
  }
}

// Refused at the certificate: the printer gets the headers, and not one byte of the job,
// whether the job's length was known (refused at once) or not (refused when it ends).
TEST(IppClient, AChangedCertificateGetsNoByteOfTheJobAndItsOwnPinPrints) {
  const std::string pinned = FingerprintAt(kIppPrinterPort), own = FingerprintAt(kIppOtherCertificatePort);
  const std::string uri = IppPrinterUri("ipps", kIppOtherCertificatePort);
  const std::vector<uint8_t> attributes = PrintJob(uri, "changed"), document = Document(5000);
  for (bool lengthKnown : {true, false}) {
    SCOPED_TRACE(lengthKnown ? "length known" : "length unknown");
    const size_t before = FilesKept(kIppOtherCertificatePort);
    IppPost refused(uri, pinned);
    EXPECT_EQ(refused.Begin(LengthOf(lengthKnown, attributes, document)) && WriteJob(refused, attributes, document),
              !lengthKnown);
    const IppOutcome outcome = refused.Finish();
    EXPECT_EQ(outcome.failure, IppOutcome::Failure::CertificateChanged);
    EXPECT_EQ(outcome.certificate.fingerprint, own);
    EXPECT_FALSE(outcome.response);
    EXPECT_EQ(outcome.Text(), "the printer's certificate has changed: " + own + " offered, " + pinned + " trusted");
    Sleep(500);
    EXPECT_EQ(FilesKept(kIppOtherCertificatePort), before);

    const IppOutcome printed = PrintWhenFree(uri, own, "changed", document, lengthKnown);
    ASSERT_TRUE(printed.Answered()) << printed.Text();
    EXPECT_EQ(printed.trust, CertificateTrust::Pinned);
    EXPECT_EQ(IppKept(kIppOtherCertificatePort, JobId(printed), "changed"), std::string(document.begin(), document.end()));
  }
}

}  // namespace
