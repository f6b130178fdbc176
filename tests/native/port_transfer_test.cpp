// The export file's reader on the host, under AddressSanitizer and UBSan: what export
// writes reads back the same, and every faulty or hostile document is refused with its
// place, never half read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "PortTransfer.h"

namespace {

std::string Same(std::string_view text) { return std::string(text); }
// The registry's order of names, for the ASCII letters of these documents.
bool CaseBlindLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y)); });
}
// "~" stands for a character that the system's code page lacks.
std::optional<std::string> Native(std::string_view text) {
  if (text.find('~') != std::string_view::npos) return std::nullopt;
  return std::string(text);
}

TransferredPort Port(const char* name, const char* address) {
  TransferredPort port;
  port.config = PortConfig{-1, {}, {}, {}, {}, 9100, 515, 1, 1, 45, 15, {}, "application/octet-stream"};
  snprintf(port.config.portName, sizeof port.config.portName, "%s", name);
  snprintf(port.config.deviceIP, sizeof port.config.deviceIP, "%s", address);
  snprintf(port.config.lprQueue, sizeof port.config.lprQueue, "queue7");
  snprintf(port.config.communityName, sizeof port.config.communityName, "Sec");
  return port;
}

std::string Document(const std::string& ports, const std::string& rest = "") {
  return R"({"format": "Pralo TCP/IP Port ports", "version": 1, "ports": [)" + ports + "]" + rest + "}";
}

const std::string kGoodPort =
    R"({"name": "Lobby", "DeviceIP": "127.1.0.22", "CommunityName": "mirabo", "Protocal": 9100, "LprQueue": "",
        "LprByteCounting": 0, "RawPortNumber": 9100, "BiDiEnabled": 1, "ConfigUpdateInt": 30, "StatusUpdateInt": 10})";

std::string GoodPortWith(const std::string& key, const std::string& value) {
  std::string port = kGoodPort;
  size_t at = port.find("\"" + key + "\": ");
  size_t end = port.find_first_of(",}", at);
  return port.replace(at, end - at, "\"" + key + "\": " + value);
}

// The good port with an IPP port's values added.
std::string WithIpp(const std::string& values) { return kGoodPort.substr(0, kGoodPort.size() - 1) + ", " + values + "}"; }

TEST(PortTransfer, WhatExportWritesReadsBackTheSame) {
  PortTransfer transfer;
  transfer.ports = {Port("Lobby", "127.1.0.22"), Port("Labels", "labels-3"), Port("Tls", "tls-printer")};
  transfer.ports[1].snmpUpdated = 1;
  snprintf(transfer.ports[2].config.ippUri, sizeof transfer.ports[2].config.ippUri, "ipps://[::1]:8631/ipp/print");
  snprintf(transfer.ports[2].config.ippDocumentFormat, sizeof transfer.ports[2].config.ippDocumentFormat, "image/pwg-raster");
  transfer.scope = StoredScope{"255.255.255.0", {"127.2.0.0", "127.020.0.0"}};
  TransferReading reading = ReadTransferJson(WriteTransferJson(transfer, Same), Native, CaseBlindLess);
  ASSERT_EQ(reading.error, "");
  ASSERT_EQ(reading.transfer.ports.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(WritePortJson(reading.transfer.ports[i], Same), WritePortJson(transfer.ports[i], Same));
  }
  ASSERT_TRUE(reading.transfer.scope);
  EXPECT_EQ(reading.transfer.scope->mask, "255.255.255.0");
  EXPECT_EQ(reading.transfer.scope->addresses, transfer.scope->addresses);
  EXPECT_FALSE(ReadTransferJson(Document(kGoodPort, R"(, "discovery": null)"), Native, CaseBlindLess).transfer.scope);
  EXPECT_EQ(ReadTransferJson("\xEF\xBB\xBF" + Document(kGoodPort), Native, CaseBlindLess).error, "") << "with a byte-order mark";
}

TEST(PortTransfer, FaultyDocumentsAreRefusedWithTheirPlace) {
  const std::string tooLongName = "\"" + std::string(100, 'n') + "\"";
  struct Case {
    std::string document;
    const char* says;
  };
  for (const Case& c : {
           Case{"", "not valid JSON: parse error at line 1, column 1"},
           Case{Document(kGoodPort).substr(0, 120), "not valid JSON"},
           Case{"[1, 2]", "is not an export of prlport"},
           Case{"[4444444444e44444]", "not valid JSON: number overflow"},
           Case{R"({"format": "other", "version": 1, "ports": []})", "is not an export of prlport"},
           Case{R"({"format": "Pralo TCP/IP Port ports", "version": 2, "ports": []})", "version 2 of the format"},
           Case{Document("", R"(, "extra": 1)"), "unknown value \"extra\""},
           Case{std::string(100000, '[') + std::string(100000, ']'), "nests deeper"},
           Case{std::string(kLargestTransfer + 1, ' '), "larger than 16 MB"},
           Case{Document(kGoodPort + "," + kGoodPort), "ports[1]: the name \"Lobby\" comes twice"},
           Case{Document(kGoodPort + "," + GoodPortWith("name", "\"LOBBY\"")), "ports[1]: the name \"LOBBY\" comes twice"},
           Case{Document(GoodPortWith("name", "\"a,b\"")), "ports[0]: a port name cannot hold a backslash or a comma"},
           Case{Document(GoodPortWith("name", tooLongName)), "\"name\" is longer than 99 characters"},
           Case{Document(GoodPortWith("name", "\"\"")), "the port name is empty"},
           Case{Document(GoodPortWith("DeviceIP", "\"~\"")), "ports[0] (\"Lobby\"): \"DeviceIP\" holds characters"},
           Case{Document(GoodPortWith("DeviceIP", "\"a\\u0000b\"")), "holds a NUL"},
           Case{Document(GoodPortWith("RawPortNumber", "65536")), "\"RawPortNumber\" must be a whole number from 0 to 65535"},
           Case{Document(GoodPortWith("RawPortNumber", "-1")), "\"RawPortNumber\" must be a whole number"},
           Case{Document(GoodPortWith("ConfigUpdateInt", "1.5")), "\"ConfigUpdateInt\" must be a whole number from 0 to 999"},
           Case{Document(GoodPortWith("BiDiEnabled", "true")), "\"BiDiEnabled\" must be a whole number from 0 to 1"},
           Case{Document(GoodPortWith("Protocal", "80")), "\"Protocal\" must be 9100 (raw) or 515 (LPR)"},
           Case{Document(GoodPortWith("LprQueue", "7")), "\"LprQueue\" must be a text"},
           Case{Document(R"({"name": "X", "DeviceIP": "a", "DeviceIP": "b"})"), "names a value twice"},
           Case{Document(R"({"name": "X"})"), "ports[0] (\"X\"): \"DeviceIP\" is missing"},
           Case{Document(R"({"name": "X", "Colour": 1})"), "unknown value \"Colour\""},
           Case{Document(WithIpp(R"("IppUri": "http://printer/ipp/print")")),
                "\"IppUri\" must be ipp:// or ipps:// with a host"},
           Case{Document(WithIpp(R"("IppUri": "ipp://printer/", "IppDocumentFormat": "pdf")")),
                "\"IppDocumentFormat\" must be a media type"},
           Case{Document(WithIpp(R"("IppUri": "ipp://printer/", "IppCertificate": "")")),
                "unknown value \"IppCertificate\""},
           Case{Document("", R"(, "discovery": {"SubnetMask": "255.0.0.0", "SubnetAddresses": []})"),
                "'255.0.0.0' is an invalid subnet mask."},
           Case{Document("", R"(, "discovery": {"SubnetMask": "255.255.255.0", "SubnetAddresses": ["1.2.3.300"]})"),
                "discovery.SubnetAddresses[0]: '1.2.3.300' is an invalid subnet address."},
           Case{Document("", R"(, "discovery": {"SubnetMask": "255.255.0.255", "SubnetAddresses": []})"),
                "'255.255.0.255' is an invalid subnet mask."},
           Case{Document("", R"(, "discovery": {"SubnetMask": "255.255.255.0", "SubnetAddresses": ["224.0.0.0"]})"),
                "discovery.SubnetAddresses[0]: '224.0.0.0' is an invalid subnet address."},
       }) {
    SCOPED_TRACE(c.document.substr(0, 200));
    TransferReading reading = ReadTransferJson(c.document, Native, CaseBlindLess);
    EXPECT_NE(reading.error.find(c.says), std::string::npos) << reading.error;
    EXPECT_TRUE(reading.transfer.ports.empty());
  }
}

}  // namespace
