// Wine reports, per executable, the Windows version set under
// HKCU\Software\Wine\AppDefaults\<exe>\Version. Start-up checks rely on it.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "child_process.h"

namespace {

struct VersionCase {
  const char* setting;
  const char* versionWord;
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.setting << " -> " << c.versionWord; }

class ReportedVersion : public testing::TestWithParam<VersionCase> {};

TEST_P(ReportedVersion, MatchesAppDefaults) {
  SetReportedVersion("winver_probe.exe", GetParam().setting);
  ChildResult probe = RunChild(ExeBesideThisTest("winver_probe.exe"));
  ASSERT_EQ(probe.exitCode, 0u);
  EXPECT_EQ(probe.output.substr(0, 8), GetParam().versionWord) << "probe printed: " << probe.output;
}

INSTANTIATE_TEST_SUITE_P(Wine, ReportedVersion,
                         testing::Values(VersionCase{"win95", "c0000004"}, VersionCase{"win98", "c0000a04"},
                                         VersionCase{"winme", "c0005a04"}, VersionCase{"nt351", "04213303"},
                                         VersionCase{"nt40", "05650004"}, VersionCase{"win2k", "08930005"},
                                         VersionCase{"winxp", "0a280105"}, VersionCase{"win7", "1db10106"}),
                         [](const auto& info) { return std::string(info.param.setting); });

}  // namespace
