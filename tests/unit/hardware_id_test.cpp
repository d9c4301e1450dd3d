#include "device/hardware_id.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace kprt5 {
namespace {

// A 256-byte read area as the device-setup read leaves it: the data first, then guard bytes that
// are not zero, so a match that reads past the reported size would show.
struct ReadArea {
  explicit ReadArea(const std::string& data) {
    bytes.fill('X');
    std::copy_n(data.begin(), std::min(data.size(), bytes.size()), bytes.begin());
    size = data.size();
  }
  std::array<char, kHardwareIdAreaSize> bytes{};
  std::size_t size = 0;
};

std::string List(std::initializer_list<std::string> ids) {
  std::string list;
  for (const std::string& id : ids) list += id + '\0';
  return list + '\0';
}

struct IdCase {
  const char* name;
  std::string data;
  bool matches;
};

class HardwareIdTest : public ::testing::TestWithParam<IdCase> {};

TEST_P(HardwareIdTest, ComparesOnlyTheFirstId) {
  const ReadArea area(GetParam().data);
  EXPECT_EQ(IsHandsetHardwareIdList(area.bytes, area.size), GetParam().matches);
}

const std::string kId(kHandsetHardwareId);

INSTANTIATE_TEST_SUITE_P(
    Lists, HardwareIdTest,
    ::testing::Values(
        IdCase{"Exact", List({kId}), true},
        IdCase{"OtherCase", List({"usb\\VID_7A3E&PID_01B5&REV_0100&mi_00"}), true},
        IdCase{"FollowedByOthers", List({kId, "USB\\Vid_7a3e&Pid_01b5&MI_00"}), true},
        IdCase{"OtherRevision", List({"USB\\Vid_7a3e&Pid_01b5&Rev_0101&MI_00"}), false},
        IdCase{"OtherInterface", List({"USB\\Vid_7a3e&Pid_01b5&Rev_0100&MI_01"}), false},
        IdCase{"SecondInList", List({"USB\\Vid_7a3e&Pid_01b5&MI_00", kId}), false},
        IdCase{"Prefix", List({kId.substr(0, kId.size() - 1)}), false},
        IdCase{"Longer", List({kId + "0"}), false},
        IdCase{"EmptyList", std::string(2, '\0'), false},
        IdCase{"NoData", "", false},
        IdCase{"UnterminatedId", kId, true},
        IdCase{"UnterminatedOther", "USB\\Vid_7a3e", false},
        IdCase{"FullAreaNoZero", std::string(kHardwareIdAreaSize, 'U'), false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(HardwareIdTest, ReportedSizeBeyondTheAreaStopsAtTheArea) {
  // A read that reports more bytes than the area holds: only the area counts.
  ReadArea full(std::string(kHardwareIdAreaSize, 'U'));
  EXPECT_EQ(FirstHardwareId(full.bytes, 4096).size(), kHardwareIdAreaSize);

  // The id fills the area's end with no zero after it, and the size says more than the area.
  std::array<char, 64> small{};
  std::fill(small.begin(), small.end(), 'X');
  std::copy(kId.begin(), kId.end(), small.end() - static_cast<std::ptrdiff_t>(kId.size()));
  const std::span<const char> tail(small.end() - static_cast<std::ptrdiff_t>(kId.size()), small.end());
  EXPECT_TRUE(IsHandsetHardwareIdList(tail, 256));
}

TEST(HardwareIdTest, ReportedSizeCutsTheText) {
  // Data reported shorter than what stands in the area: only the reported bytes count.
  const ReadArea area(List({kId}));
  EXPECT_FALSE(IsHandsetHardwareIdList(area.bytes, kId.size() - 1));
  EXPECT_TRUE(IsHandsetHardwareIdList(area.bytes, kId.size()));
}

TEST(AsciiCaseTest, FoldsOnlyAsciiLetters) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Mi_00", "mI_00"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));  // Latin-1 letters are not folded
  EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));        // differ by 0x20 but are not letters
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
}

}  // namespace
}  // namespace kprt5
