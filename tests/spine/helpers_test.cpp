// Small pure helpers: the version classes, the fixed-field copy and the printer-to-port
// match of the port list.
#include <gtest/gtest.h>

#include "OsVersion.h"
#include "SpoolerLists.h"
#include "TextField.h"

namespace {

TEST(OsVersionType, ClassifiesVersionWords) {
  EXPECT_EQ(OsVersionTypeOf(0x80000000u), OSVER_NT3);  // exactly the top bit: still NT
  EXPECT_EQ(OsVersionTypeOf(0x80000001u), OSVER_WIN9X);
  EXPECT_EQ(OsVersionTypeOf(0xC0000004u), OSVER_WIN9X);
  EXPECT_EQ(OsVersionTypeOf(0x04213303u), OSVER_NT3);
  EXPECT_EQ(OsVersionTypeOf(0x05650004u), OSVER_NT4);
  EXPECT_EQ(OsVersionTypeOf(0x08930005u), OSVER_NT5_UP);
  EXPECT_EQ(OsVersionTypeOf(0x1DB10106u), OSVER_NT5_UP);
}

TEST(CopyText, CutsToTheFieldAndAlwaysTerminates) {
  char field[4];
  CopyText(field, "abcdef");
  EXPECT_STREQ(field, "abc");
  CopyText(field, "");
  EXPECT_STREQ(field, "");
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(TextOf(unterminated, sizeof unterminated), "xyz");
}

TEST(PrinterUseIndex, MatchesWholeEntriesOfTheCommaList) {
  auto uses = [](const char* printerPorts, const char* port) {
    PrinterUseIndex index;
    index.Add("X", printerPorts);
    return index.PrintersOf(port) == "X";
  };
  EXPECT_TRUE(uses("P1", "P1"));
  EXPECT_FALSE(uses("P10", "P1"));
  EXPECT_TRUE(uses("LPT1:,P1", "P1"));
  EXPECT_TRUE(uses("LPT1:, P1 ", "P1"));
  EXPECT_TRUE(uses("lpt1:", "LPT1:"));
  EXPECT_FALSE(uses("", "P1"));
  EXPECT_FALSE(uses(",,", "P1"));

  PrinterUseIndex index;  // printers in their order, each once
  for (auto [name, ports] : {std::pair{"A", "P1"}, {"B", "LPT1:,p1"}, {"C", "P1, P1"}, {"D", "P10"}}) index.Add(name, ports);
  EXPECT_EQ(index.PrintersOf("P1"), "A, B, C");
  EXPECT_EQ(index.PrintersOf("P2"), "");
}

}  // namespace
