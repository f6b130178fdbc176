// An IPP printer's answer made into the state that the watch writes its words from: the
// states and reasons that the lab's printer cannot show (stopped, errors by severity) and
// supplies reported as markers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IppStatus.h"

namespace {

ipp::Attribute Keywords(const char* name, std::vector<std::string> words) {
  ipp::Attribute attribute{name, {}};
  for (std::string& word : words) attribute.values.push_back({ipp::Tag::Keyword, std::move(word), 0});
  return attribute;
}

ipp::Attribute Numbers(const char* name, ipp::Tag tag, const std::vector<int32_t>& numbers) {
  ipp::Attribute attribute{name, {}};
  for (int32_t number : numbers) attribute.values.push_back({tag, std::string(4, '\0'), number});
  return attribute;
}

IppOutcome Answer(int32_t state, std::vector<std::string> reasons, std::vector<ipp::Attribute> more = {},
                  uint16_t status = ipp::kSuccessfulOk) {
  IppOutcome outcome;
  ipp::Response response;
  response.status = status;
  ipp::Group printer{ipp::Tag::PrinterAttributes, {Numbers("printer-state", ipp::Tag::Enum, {state}),
                                                   Keywords("printer-state-reasons", std::move(reasons))}};
  for (ipp::Attribute& attribute : more) printer.attributes.push_back(std::move(attribute));
  response.groups = {{ipp::Tag::OperationAttributes, {}}, printer};
  outcome.response = response;
  return outcome;
}

TEST(IppStatus, StateAndReasonsBecomeTheHostResourcesStatusAndErrors) {
  struct Case {
    const char* what;
    IppOutcome answer;
    int64_t deviceStatus, printerStatus;
    uint16_t errors;
  };
  const Case cases[] = {
      {"stopped, media jammed", Answer(5, {"media-jam-error"}), 5, 1, kJammed},
      {"stopped, paper out and toner low", Answer(5, {"media-empty-error", "toner-low-warning"}), 5, 1,
       kNoPaper | kLowToner},
      {"idle, toner low (a warning)", Answer(3, {"toner-low-warning"}), 3, 3, kLowToner},
      {"processing, a door open without a suffix (an error)", Answer(4, {"door-open"}), 5, 4, kDoorOpen},
      {"idle, offline and output full", Answer(3, {"offline-report", "output-area-full-warning"}), 3, 3,
       kOffline | kOutputFull},
      {"idle, a reason without a bit", Answer(3, {"spool-area-full-report"}), 3, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const IppPrinterStatus status = IppStatusOf(c.answer);
    ASSERT_TRUE(status.state.Answered());
    EXPECT_TRUE(status.state.hasStatus);
    EXPECT_EQ(status.state.deviceStatus, c.deviceStatus);
    EXPECT_EQ(status.state.printerStatus, c.printerStatus);
    EXPECT_EQ(status.state.errors, c.errors);
  }
}

TEST(IppStatus, SuppliesComeFromMarkersOrElsePrinterSupply) {
  std::vector<ipp::Attribute> markers = {
      {"marker-names", {{ipp::Tag::NameWithoutLanguage, "Black", 0}, {ipp::Tag::NameWithoutLanguage, "Cyan", 0}}},
      Numbers("marker-levels", ipp::Tag::Integer, {40, -3})};
  std::vector<ipp::Attribute> supplies = {
      {"printer-supply",
       {{ipp::Tag::OctetString, "index=1;class=supplyThatIsConsumed;type=toner;unit=percent;maxcapacity=100;level=75;", 0},
        {ipp::Tag::OctetString, "index=2;type=wasteToner;maxcapacity=500;level=120;", 0}}},
      {"printer-supply-description", {{ipp::Tag::TextWithoutLanguage, "Black Toner", 0}}}};
  const std::vector<Supply> fromMarkers = IppStatusOf(Answer(3, {"none"}, markers)).state.supplies;
  ASSERT_EQ(fromMarkers.size(), 2u);
  EXPECT_EQ(fromMarkers[0].description, "Black");
  EXPECT_EQ(fromMarkers[0].level, 40);
  EXPECT_EQ(fromMarkers[0].maxCapacity, 100);
  EXPECT_EQ(fromMarkers[1].level, -3);  // some left
  const std::vector<Supply> fromSupply = IppStatusOf(Answer(3, {"none"}, supplies)).state.supplies;
  ASSERT_EQ(fromSupply.size(), 2u);
  EXPECT_EQ(fromSupply[0].description, "Black Toner");
  EXPECT_EQ(fromSupply[0].level, 75);
  EXPECT_EQ(fromSupply[1].description, "wasteToner");  // no description: its type
  EXPECT_EQ(fromSupply[1].maxCapacity, 500);
}

TEST(IppStatus, ARefusalOrNoAnswerIsNotAnswered) {
  IppOutcome unresolved;
  unresolved.failure = IppOutcome::Failure::Connection;
  unresolved.error = ERROR_WINHTTP_NAME_NOT_RESOLVED;
  EXPECT_EQ(IppStatusOf(Answer(3, {"none"}, {}, 0x0400)).state.reach, PrinterState::Reach::NoAnswer);
  EXPECT_EQ(IppStatusOf(unresolved).state.reach, PrinterState::Reach::Unresolved);
}

}  // namespace
