#include "ui/startup_flag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace kprt5 {
namespace {

struct FlagCase {
  const char* name;
  std::string data;  // the bytes the registry read left, as many as it reported
  bool namesMiddleware;
};

class StartupFlagTest : public ::testing::TestWithParam<FlagCase> {};

TEST_P(StartupFlagTest, EndsWithTheMiddlewareExecutable) {
  std::array<char, kAutostartAreaSize> area;
  area.fill('e');  // guard: reading past the reported bytes would see more text
  std::copy_n(GetParam().data.begin(), std::min(GetParam().data.size(), area.size()), area.begin());
  EXPECT_EQ(AutostartValueNamesMiddleware(area, GetParam().data.size()), GetParam().namesMiddleware);
}

const std::string kMiddlewarePath = "C:\\Program Files (x86)\\ZELT KP-RT5\\MW\\KPRT5.exe";

INSTANTIATE_TEST_SUITE_P(
    Values, StartupFlagTest,
    ::testing::Values(
        FlagCase{"MiddlewarePath", kMiddlewarePath + '\0', true},
        FlagCase{"BareSuffix", std::string("KPRT5.exe") + '\0', true},
        FlagCase{"CompanionPath", std::string("C:\\Program Files (x86)\\ZELT KP-RT5\\KPRT6.exe") + '\0', false},
        FlagCase{"OtherCase", std::string("C:\\ZELT KP-RT5\\MW\\kprt5.EXE") + '\0', false},
        FlagCase{"ShorterThanSuffix", std::string("PRT5.exe") + '\0', false},
        FlagCase{"QuotedPath", '"' + kMiddlewarePath + "\"" + '\0', false},
        FlagCase{"TrailingBlank", kMiddlewarePath + " " + '\0', false},
        FlagCase{"Empty", std::string(1, '\0'), false},
        FlagCase{"NoData", "", false},
        FlagCase{"Unterminated", kMiddlewarePath, true},
        FlagCase{"TextEndsAtFirstZero", kMiddlewarePath + '\0' + "x" + '\0', true},
        FlagCase{"SuffixAfterZeroDoesNotCount", std::string("abc") + '\0' + "KPRT5.exe" + '\0', false},
        FlagCase{"FullAreaUnterminated", std::string(247, 'a') + "KPRT5.exe", true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(StartupFlagTest, ReportedSizeBeyondTheAreaStopsAtTheArea) {
  std::array<char, 16> area{};
  const std::string text = "1234567KPRT5.exe";  // exactly 16 bytes, no zero
  std::copy(text.begin(), text.end(), area.begin());
  EXPECT_TRUE(AutostartValueNamesMiddleware(area, 4096));
}

struct PathCase {
  const char* name;
  std::string folder;
  bool middleware;
  std::string path;
};

class AutostartPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(AutostartPathTest, FolderThenWholeTail) {
  const PathCase& c = GetParam();
  const AutostartPath path = BuildAutostartPath(c.folder, c.middleware);
  EXPECT_EQ(std::string(path.text), c.path);
  EXPECT_EQ(path.length, c.path.size());
  EXPECT_LE(path.length, kAutostartAreaSize - 1);
}

const std::string kFolder = "C:\\Program Files (x86)";

INSTANTIATE_TEST_SUITE_P(
    Paths, AutostartPathTest,
    ::testing::Values(
        PathCase{"Middleware", kFolder, true, kFolder + "\\ZELT KP-RT5\\MW\\KPRT5.exe"},
        PathCase{"Companion", kFolder, false, kFolder + "\\ZELT KP-RT5\\KPRT6.exe"},
        PathCase{"NoFolder", "", true, "\\ZELT KP-RT5\\MW\\KPRT5.exe"},
        PathCase{"ExactlyFull", std::string(230, 'f'), true, std::string(230, 'f') + "\\ZELT KP-RT5\\MW\\KPRT5.exe"},
        PathCase{"FolderCut", std::string(231, 'f'), true, std::string(230, 'f') + "\\ZELT KP-RT5\\MW\\KPRT5.exe"},
        PathCase{"LongFolderCompanion", std::string(400, 'f'), false,
                 std::string(233, 'f') + "\\ZELT KP-RT5\\KPRT6.exe"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(AutostartPathTest, BuiltPathsFollowTheCheckMarkRule) {
  // The path written when StartUp is switched on gives the check mark; the one for off does not,
  // also when the folder had to be cut.
  for (const std::string& folder : {kFolder, std::string(300, 'f')}) {
    const AutostartPath on = BuildAutostartPath(folder, true);
    const AutostartPath off = BuildAutostartPath(folder, false);
    EXPECT_TRUE(AutostartValueNamesMiddleware(on.text, on.length + 1));
    EXPECT_FALSE(AutostartValueNamesMiddleware(off.text, off.length + 1));
  }
}

}  // namespace
}  // namespace kprt5
