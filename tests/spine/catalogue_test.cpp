// The model catalogue read through the real profile functions.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ModelCatalogue.h"
#include "child_process.h"

namespace {

class Catalogue : public testing::Test {
 protected:
  std::string Write(const std::string& text) {
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    path = std::string(folder) + "catalogue_test.ini";
    std::ofstream(path) << text;
    return path;
  }
  void TearDown() override { DeleteFileA(path.c_str()); }

  static void ExpectOnlyUnknown(const ModelCatalogue& catalogue) {
    EXPECT_EQ(catalogue.count, 0);
    ASSERT_EQ(catalogue.entries.size(), 1u);
    EXPECT_STREQ(catalogue.entries[0].identifier, "0.0.0.0.0.0");
    EXPECT_STREQ(catalogue.entries[0].displayName, "Unknown");
    EXPECT_STREQ(catalogue.entries[0].lprQueue, "raw");
    EXPECT_EQ(catalogue.entries[0].rawPortNumber, 515);
  }

  std::string path;
  ModelCatalogue catalogue;
};

TEST_F(Catalogue, ReadsModelsAndSkipsTheirFurtherKeys) {
  ASSERT_TRUE(LoadModelCatalogueFrom(catalogue, Write("[PraloPrinterData]\nNumPrinters=2\nNumDrivers=1\n"
                                                      "[PraloPrinters]\n1.2.3=1,6,Model A,lp,9100\ndrv=x\n"
                                                      "1.2.4=0,6,Model B,PASSTHRU,9100\n")));
  ASSERT_EQ(catalogue.count, 2);
  ASSERT_EQ(catalogue.entries.size(), 3u);
  EXPECT_STREQ(catalogue.entries[0].displayName, "Unknown");
  EXPECT_STREQ(catalogue.entries[1].identifier, "1.2.3");
  EXPECT_STREQ(catalogue.entries[1].displayName, "Model A");
  EXPECT_STREQ(catalogue.entries[1].lprQueue, "lp");
  EXPECT_EQ(catalogue.entries[1].rawPortNumber, 9100);
  EXPECT_STREQ(catalogue.entries[2].identifier, "1.2.4");
  EXPECT_STREQ(catalogue.entries[2].displayName, "Model B");
  EXPECT_STREQ(catalogue.entries[2].lprQueue, "PASSTHRU");
}

TEST_F(Catalogue, NoPrintersIsAValidCatalogue) {
  EXPECT_TRUE(LoadModelCatalogueFrom(catalogue, Write("[PraloPrinterData]\nNumPrinters=0\nNumDrivers=0\n")));
  ExpectOnlyUnknown(catalogue);
}

TEST_F(Catalogue, MissingCountsOrFileFailAndLeaveEntryZero) {
  EXPECT_FALSE(LoadModelCatalogueFrom(catalogue, Write("[PraloPrinterData]\nNumPrinters=2\n")));
  ExpectOnlyUnknown(catalogue);
  EXPECT_FALSE(LoadModelCatalogueFrom(catalogue, Write("[PraloPrinterData]\nNumPrinters=NotFound\nNumDrivers=0\n")));
  ExpectOnlyUnknown(catalogue);
  EXPECT_FALSE(LoadModelCatalogueFrom(catalogue, "C:\\no\\such\\PrlModels.ini"));
  ExpectOnlyUnknown(catalogue);
}

TEST_F(Catalogue, ShortLinesLongTextsAndMissingKeysStayInsideTheirFields) {
  std::string longName(80, 'N');
  ASSERT_TRUE(LoadModelCatalogueFrom(
      catalogue, Write("[PraloPrinterData]\nNumPrinters=5\nNumDrivers=0\n[PraloPrinters]\n"
                       "1.5.1=0,6\n1.5.2=0,6," + longName + ",q,9100\n1.5.3=0,6,C,q,  +515x\n")));
  ASSERT_EQ(catalogue.count, 3);  // five announced, three present
  EXPECT_STREQ(catalogue.entries[1].displayName, "");
  EXPECT_STREQ(catalogue.entries[1].lprQueue, "");
  EXPECT_EQ(catalogue.entries[1].rawPortNumber, 0);
  EXPECT_EQ(std::string(catalogue.entries[2].displayName), std::string(59, 'N'));
  EXPECT_EQ(catalogue.entries[3].rawPortNumber, 515);
}

TEST_F(Catalogue, LookupTakesTheFirstPrefixInIndexOrder) {
  ASSERT_TRUE(LoadModelCatalogueFrom(catalogue, Write("[PraloPrinterData]\nNumPrinters=2\nNumDrivers=0\n"
                                                      "[PraloPrinters]\n1.3.6.1.4=0,6,A,a,1\n1.3.6.1.4.1=0,6,B,b,2\n")));
  EXPECT_EQ(FindModelByIdentifier(catalogue, "1.3.6.1.4.1.99"), 1);
  EXPECT_EQ(FindModelByIdentifier(catalogue, "1.3.6"), 0);
  EXPECT_EQ(FindModelByIdentifier(catalogue, "0.0.0.0.0.0.1"), 0);
}

TEST_F(Catalogue, TheShippedCatalogueLoads) {
  ASSERT_TRUE(LoadModelCatalogueFrom(catalogue, DistFile("monitor\\PrlModels.ini")));
  ASSERT_EQ(catalogue.count, 12);
  EXPECT_STREQ(catalogue.entries[3].displayName, "Kestrel ColorPro 520");  // after a skipped driver key
  EXPECT_STREQ(catalogue.entries[6].displayName, "Ostrand Jetline 30");
  EXPECT_STREQ(catalogue.entries[7].displayName, "Ostrand Jetline 45");  // after two skipped keys
  EXPECT_EQ(catalogue.entries[7].rawPortNumber, 9101);
  EXPECT_STREQ(catalogue.entries[11].displayName, "Vireo Tag 1");
  EXPECT_STREQ(catalogue.entries[12].displayName, "Corvid Inkline 7");
  EXPECT_EQ(FindModelByIdentifier(catalogue, "1.3.6.1.4.1.99901.2.5.1"), 4);  // the generic entry comes first
}

TEST(SplitCommaList, CutsInPlaceAndCountsFields) {
  char line[] = "1,6,Model A,,9100";
  EXPECT_EQ(SplitCommaList(line), 5);
  EXPECT_STREQ(line + 4, "Model A");
  char empty[] = "";
  EXPECT_EQ(SplitCommaList(empty), 1);
}

}  // namespace
