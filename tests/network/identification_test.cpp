// Printer identification (PrlStat.dll ordinal 1) against the lab's printers and a
// hostile responder. Times are recorded as test properties; none is asserted.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstring>

#include "PrlStat.h"
#include "identify.h"
#include "winsock_test.h"
#include "lab_printers.h"

namespace {

using Identification = WinsockTest;

TEST_F(Identification, EveryLabPrinterGivesItsSysObjectId) {
  for (const LabPrinter& printer : LabPrinters()) {
    if (printer.communities[0] == "secret") continue;
    Identified identified = Identify(printer.address, printer.communities[0].c_str());
    EXPECT_EQ(identified.result, kPrlStatOk) << printer.address;
    EXPECT_EQ(identified.identifier, printer.sysObjectId) << printer.address;
    RecordProperty("ms_" + printer.address, static_cast<int>(identified.milliseconds));
  }
}

TEST_F(Identification, ARefusedCommunityOrASilentAddressFails) {
  for (auto [address, community] : {std::pair{"127.1.0.20", "public"}, std::pair{"127.1.0.28", "mirabo"},
                                    std::pair{"127.1.0.99", "mirabo"}, std::pair{"127.1.0.98", "mirabo"}}) {
    Identified identified = Identify(address, community);
    EXPECT_EQ(identified.result, kPrlStatNoAnswer) << address << " with " << community;
    RecordProperty(std::string("ms_silent_") + address, static_cast<int>(identified.milliseconds));
  }
}

TEST_F(Identification, ABadCallIsRefusedWithoutTouchingTheNetwork) {
  char buffer[8];
  uint32_t size = 0;
  EXPECT_EQ(QueryPrinterIdentifier(HostOrder("127.1.0.20"), buffer, &size, "mirabo"), kPrlStatBadCall);
  size = sizeof buffer;
  EXPECT_EQ(QueryPrinterIdentifier(HostOrder("127.1.0.20"), nullptr, &size, "mirabo"), kPrlStatBadCall);
  EXPECT_EQ(QueryPrinterIdentifier(HostOrder("127.1.0.20"), buffer, &size, nullptr), kPrlStatBadCall);
}

}  // namespace
