// The IPP codec on the host, under AddressSanitizer and UBSan: requests encode as RFC 8010
// lays them out, responses decode with every value kept, and malformed responses are
// refused without reading past the message.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Ipp.h"
#include "ber_builder.h"
#include "ipp_builder.h"

namespace {

using ber::Bytes;
using ber::Cat;

using ippwire::Field;
using ippwire::Header;
using ippwire::kEnd;
using ippwire::kOperationGroup;
using ippwire::Long;
using ippwire::Text;

// A printer's answer to Get-Printer-Attributes: a state, two reasons, markers, and a
// collection (media-col-default) with a nested one between them.
Bytes PrinterAnswer() {
  return Cat({Header(), kOperationGroup, Field(0x41, "status-message", Text("successful-ok")), {0x04},
              Field(0x23, "printer-state", Long(5)), Field(0x44, "printer-state-reasons", Text("media-empty-error")),
              Field(0x44, "", Text("toner-low-warning")), Field(0x34, "media-col-default", {}),
              Field(0x4A, "", Text("media-size")), Field(0x34, "", {}), Field(0x4A, "", Text("x-dimension")),
              Field(0x21, "", Long(21000)), Field(0x37, "", {}), Field(0x37, "", {}),
              Field(0x42, "marker-names", Text("Black toner")), Field(0x21, "marker-levels", Long(0xFFFFFFFE)),
              Field(0x22, "printer-is-accepting-jobs", {1}), Field(0x32, "printer-resolution-default", Cat({Long(600), Long(600), {3}})),
              kEnd});
}

TEST(IppRequest, EncodesOperationAttributesInTheirOrder) {
  ipp::Request query;
  query.operation = ipp::kGetJobAttributes;
  query.requestId = 0x01020304;
  query.printerUri = "ipp://127.1.0.60:8631/ipp/print";
  query.jobId = 9;
  query.userName = "ann";
  query.requestedAttributes = {"job-state", "job-state-reasons"};
  query.extra = {{ipp::Tag::Boolean, "last-document", {"true"}}};
  ipp::Request job;
  job.operation = ipp::kPrintJob;
  job.printerUri = "ipps://printer/ipp/print";
  job.userName = "ann";
  job.jobName = "Report.pdf";
  job.documentFormat = "application/octet-stream";
  const std::pair<ipp::Request, Bytes> cases[] = {
      {query, Cat({{2, 0, 0, 0x09, 1, 2, 3, 4}, kOperationGroup, Field(0x45, "printer-uri", Text(query.printerUri)),
                   Field(0x21, "job-id", Long(9)), Field(0x42, "requesting-user-name", Text("ann")),
                   Field(0x44, "requested-attributes", Text("job-state")), Field(0x44, "", Text("job-state-reasons")),
                   Field(0x22, "last-document", {1}), kEnd})},
      {job, Cat({{2, 0, 0, 0x02}, Long(1), kOperationGroup, Field(0x45, "printer-uri", Text(job.printerUri)),
                 Field(0x42, "requesting-user-name", Text("ann")), Field(0x42, "job-name", Text("Report.pdf")),
                 Field(0x49, "document-format", Text("application/octet-stream")), kEnd})},
  };
  for (const auto& [request, expected] : cases) EXPECT_EQ(ipp::EncodeRequest(request), expected) << request.operation;
}

TEST(IppResponse, KeepsEveryValueAndSkipsCollections) {
  const Bytes answer = PrinterAnswer();
  auto response = ipp::DecodeResponse(answer);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->status, ipp::kSuccessfulOk);
  EXPECT_EQ(response->requestId, 7);
  EXPECT_EQ(response->StatusMessage(), "successful-ok");
  ASSERT_EQ(response->groups.size(), 2u);
  const ipp::Tag printer = ipp::Tag::PrinterAttributes;
  EXPECT_EQ(response->Find(printer, "printer-state")->Integers(), std::vector<int32_t>{5});
  EXPECT_EQ(response->Find(printer, "printer-state-reasons")->Texts(),
            (std::vector<std::string>{"media-empty-error", "toner-low-warning"}));
  ASSERT_TRUE(response->Find(printer, "media-col-default"));
  EXPECT_EQ(response->Find(printer, "media-col-default")->values[0].tag, ipp::Tag::BeginCollection);
  EXPECT_EQ(response->Find(printer, "marker-names")->Text(), "Black toner");
  EXPECT_EQ(response->Find(printer, "marker-levels")->Integers(), std::vector<int32_t>{-2});
  EXPECT_EQ(response->Find(printer, "printer-is-accepting-jobs")->Integers(), std::vector<int32_t>{1});
  EXPECT_EQ(response->Find(printer, "printer-resolution-default")->values[0].bytes.size(), 9u);
  EXPECT_FALSE(response->Find(printer, "x-dimension"));  // a collection's member is not an attribute
  EXPECT_FALSE(response->Find(ipp::Tag::JobAttributes, "printer-state"));
}

// The lab's IPP printer's whole answer to Get-Printer-Attributes (a seed of the fuzz
// corpus): collections (media-col-ready) among its 7 KB.
TEST(IppResponse, DecodesARealPrintersAnswer) {
  std::ifstream file(PRALO_IPP_CORPUS "/adccb7470e51313b4724133d5d12532752753a2f", std::ios::binary);
  const Bytes answer((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(answer.size(), 7000u);
  auto response = ipp::DecodeResponse(answer);
  ASSERT_TRUE(response);
  const ipp::Tag printer = ipp::Tag::PrinterAttributes;
  ASSERT_TRUE(response->Find(printer, "media-col-ready"));
  EXPECT_EQ(response->Find(printer, "media-col-ready")->values[1].tag, ipp::Tag::BeginCollection);
  EXPECT_EQ(response->Find(printer, "printer-state")->Integers(), std::vector<int32_t>{3});
  EXPECT_EQ(response->Find(printer, "printer-uri-supported")->Texts(),
            (std::vector<std::string>{"ipp://127.1.0.60:8631/ipp/print", "ipps://127.1.0.60:8631/ipp/print"}));
}

TEST(IppResponse, RefusesMalformedMessages) {
  struct Case {
    const char* what;
    Bytes message;
  };
  Bytes nested = Header();
  nested.push_back(0x04);
  for (size_t depth = 0; depth <= ipp::kMaxCollectionDepth; ++depth)
    nested = Cat({nested, Field(0x34, depth == 0 ? "deep" : "", {})});
  const Bytes answer = PrinterAnswer();
  const Case cases[] = {
      {"a value before any group", Cat({Header(), Field(0x44, "a", Text("b")), kEnd})},
      {"an additional value first in its group", Cat({Header(), {0x04}, Field(0x44, "", Text("b")), kEnd})},
      {"an integer of two bytes", Cat({Header(), {0x04}, Field(0x21, "copies", {0, 1}), kEnd})},
      {"a boolean of two bytes", Cat({Header(), {0x04}, Field(0x22, "ok", {0, 1}), kEnd})},
      {"an endCollection outside a collection", Cat({Header(), {0x04}, Field(0x37, "x", {}), kEnd})},
      {"a collection never ended", Cat({Header(), {0x04}, Field(0x34, "col", {}), Field(0x4A, "", Text("m")), kEnd})},
      {"collections nested too deep", Cat({nested, kEnd})},
      {"the reserved delimiter 0x00", Cat({Header(), {0x00}, kEnd})},
      {"over the size limit", Cat({answer, Bytes(ipp::kMaxResponseBytes, 0)})},
  };
  for (const Case& c : cases) EXPECT_FALSE(ipp::DecodeResponse(c.message)) << c.what;
  // Every cut, exactly sized so that ASan sees an overread: the empty message, a header
  // cut short, a name or value longer than the message, no end of the attributes.
  for (size_t cut = 0; cut < answer.size(); ++cut)
    EXPECT_FALSE(ipp::DecodeResponse(Bytes(answer.begin(), answer.begin() + static_cast<long>(cut)))) << "cut at " << cut;
}

TEST(IppUri, ParsesSchemeHostPortAndPath) {
  struct Case {
    const char* text;
    bool secure;
    const char* host;
    uint16_t port;
    const char* path;
  };
  const Case cases[] = {
      {"ipp://printer/ipp/print", false, "printer", 631, "/ipp/print"},
      {"ipps://127.1.0.60:8631/ipp/print", true, "127.1.0.60", 8631, "/ipp/print"},
      {"ipp://printer", false, "printer", 631, "/"},
      {"ipps://[::1]:8632/ipp/print", true, "::1", 8632, "/ipp/print"},
      {"ipp://[::1]/x", false, "::1", 631, "/x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto uri = ipp::ParseUri(c.text);
    ASSERT_TRUE(uri);
    EXPECT_EQ(uri->secure, c.secure);
    EXPECT_EQ(uri->host, c.host);
    EXPECT_EQ(uri->port, c.port);
    EXPECT_EQ(uri->path, c.path);
  }
}

TEST(IppUri, RefusesOtherSchemesAndBadAuthorities) {
  for (const char* text : {"http://printer/ipp/print", "ipp:///ipp/print", "ipp://printer:/x", "ipp://printer:0/x",
                           "ipp://printer:65536/x", "ipp://printer:63a/x", "ipp://user@printer/x", "ipp://[::1/x",
                           "ipp://[::1]x/y", "ipp://printer/a b", "ipp://printer/\x7f"})
    EXPECT_FALSE(ipp::ParseUri(text)) << text;
}

}  // namespace
