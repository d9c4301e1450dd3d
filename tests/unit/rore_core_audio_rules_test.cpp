// The rules ROre.dll's Core Audio path decides by: which endpoint is the handset's, how a speaker
// write is clamped, and what handing the default device back puts back. They live beside the
// library, outside src/, hence the relative includes.
#include "../../libs/ROre/default_role_memory.h"
#include "../../libs/ROre/device_text_match.h"
#include "../../libs/ROre/level_range.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace kprt5::rore {
namespace {

constexpr std::string_view kDevice = "Vid_7a3e&Pid_01b5";

TEST(RoreDeviceTextMatch, InstancePathsContainingTheTextIgnoringCase) {
  struct Case {
    std::wstring_view path;
    std::string_view text;
    bool matches;
  };
  const Case cases[] = {
      {L"USB\\VID_7A3E&PID_01B5&MI_00\\6&1a2b3c&0&0000", kDevice, true},
      {L"{1}.USB\\VID_7A3E&PID_01B5&MI_00\\6&1A2B", kDevice, true},
      {L"\\\\?\\usb#vid_7a3e&pid_01b5&mi_00#6&1a2b#{6994ad04-93ef-11d0-a3cc-00a0c9223196}", kDevice, true},
      {L"Vid_7a3e&Pid_01b5", kDevice, true},                       // the whole path
      {L"USB\\VID_7A3E&PID_01B6&MI_00\\6&1a2b", kDevice, false},   // another product
      {L"USB\\VID_7A3E&PID_01B", kDevice, false},                  // cut short at the end
      {L"ID_7A3E&PID_01B5", kDevice, false},                       // shorter than the text
      {L"{1}.ROOT\\MEDIA\\0199", kDevice, false},
      {L"{0.0.0.00000000}.{9AE5E94E-98D2-4926-823D-56E2A6BE1CC7}", kDevice, false},
      {L"", kDevice, false},
      {L"USB\\VID_7A3E&PID_01B5", "", false},  // an empty text names nothing
      {L"VVid_7a3e&Pid_01b5", kDevice, true},  // a false start right before the match
      {L"USB\\VID_7A3E_PID_01B5", kDevice, false},  // '&' is not a letter: no folding
      {L"USB\\VID_7A3E&PID_01B5", "vid_7A3E&pid_01B5", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PathNamesDevice(c.path, c.text), c.matches)
        << std::string(c.path.begin(), c.path.end()) << " / " << c.text;
}

TEST(RoreDeviceTextMatch, OnlyAsciiLettersFold) {
  // U+00C0 is not 'A' - 0x20 away from anything in the text; a high byte of the text matches only
  // the same code unit, never a folded neighbour.
  EXPECT_FALSE(PathNamesDevice(std::wstring_view(L"\u00c0"), std::string_view("\xe0")));
  EXPECT_TRUE(PathNamesDevice(std::wstring_view(L"x\u00e0y"), std::string_view("\xe0")));
  EXPECT_FALSE(PathNamesDevice(std::wstring_view(L"@"), std::string_view("`")));  // 0x40 vs 0x60
  EXPECT_FALSE(PathNamesDevice(std::wstring_view(L"["), std::string_view("{")));  // 0x5B vs 0x7B
}

TEST(RoreLevelRange, WritesAreClampedIntoTheEndpointsRange) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float requested;
    LevelRange range;
    std::optional<float> written;
  };
  const Case cases[] = {
      {-10.0f, {-100.0f, 0.0f}, -10.0f},
      {-100.0f, {-100.0f, 0.0f}, -100.0f},
      {0.0f, {-100.0f, 0.0f}, 0.0f},
      {-1000.0f, {-100.0f, 0.0f}, -100.0f},
      {5.0f, {-100.0f, 0.0f}, 0.0f},
      {-kInf, {-65.25f, 0.0f}, -65.25f},
      {kInf, {-65.25f, 12.0f}, 12.0f},
      {-0.0625f, {-28.375f, -0.0625f}, -0.0625f},
      {-3.0f, {-3.0f, -3.0f}, -3.0f},  // a fixed level
      {kNan, {-100.0f, 0.0f}, std::nullopt},
      {-10.0f, {0.0f, -100.0f}, std::nullopt},  // min above max
      {-10.0f, {kNan, 0.0f}, std::nullopt},
      {-10.0f, {-100.0f, kNan}, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClampLevelDb(c.requested, c.range), c.written)
        << c.requested << " in " << c.range.minDb << ".." << c.range.maxDb;
}

// The six slots the way the Win32 side drives them: a selection over the given current defaults,
// then a hand-back over the defaults found at that time. Records what was set.
class DefaultRoleMemoryTest : public ::testing::Test {
 protected:
  static constexpr Slot kRenderConsole{Direction::Render, Role::Console};
  static constexpr Slot kCaptureCommunications{Direction::Capture, Role::Communications};

  // Selects the handset's endpoint in every slot whose default is another one.
  int Select(const std::optional<std::wstring>& current, const std::wstring& handset) {
    int changed = 0;
    for (const Slot slot : kSlots) {
      if (!DefaultRoleMemory::NeedsSelect(current, handset)) continue;
      memory.RememberSelected(slot, current, handset);
      ++changed;
    }
    return changed;
  }

  DefaultRoleMemory memory;
};

TEST_F(DefaultRoleMemoryTest, SelectingRemembersWhatEachChangedSlotHeldAndHandsItBack) {
  EXPECT_FALSE(memory.RemembersAny());
  EXPECT_EQ(Select(L"speakers", L"handset"), 6);
  for (const Slot slot : kSlots) {
    EXPECT_TRUE(memory.Remembers(slot));
    EXPECT_EQ(memory.HandBackTarget(slot, L"handset"), std::optional<std::wstring>(L"speakers"));
  }
  memory.Forget(kRenderConsole);
  EXPECT_FALSE(memory.Remembers(kRenderConsole));
  EXPECT_EQ(memory.HandBackTarget(kRenderConsole, L"handset"), std::nullopt);
  EXPECT_TRUE(memory.Remembers(kCaptureCommunications));
}

TEST_F(DefaultRoleMemoryTest, SlotsAlreadyTheHandsetsAreNeitherChangedNorRemembered) {
  EXPECT_EQ(Select(L"handset", L"handset"), 0);
  EXPECT_FALSE(memory.RemembersAny());
  EXPECT_EQ(memory.HandBackTarget(kRenderConsole, L"handset"), std::nullopt);
}

TEST_F(DefaultRoleMemoryTest, ASelectionAgainKeepsWhatTheFirstReplaced) {
  Select(L"speakers", L"handset");
  // The device message of an arrival selects again while the handset still holds every slot.
  EXPECT_EQ(Select(L"handset", L"handset"), 0);
  EXPECT_EQ(memory.HandBackTarget(kCaptureCommunications, L"handset"), std::optional<std::wstring>(L"speakers"));
  // The handset went away and the system fell back to headphones; it comes back and is selected:
  // the default in force right before this change is the one handed back.
  EXPECT_EQ(Select(L"headphones", L"handset"), 6);
  EXPECT_EQ(memory.HandBackTarget(kCaptureCommunications, L"handset"), std::optional<std::wstring>(L"headphones"));
}

TEST_F(DefaultRoleMemoryTest, HandingBackLeavesADefaultChosenSinceAndPutsNothingWhereThereWasNone) {
  memory.RememberSelected(kRenderConsole, L"speakers", L"handset");
  EXPECT_EQ(memory.HandBackTarget(kRenderConsole, L"headphones"), std::nullopt) << "the user moved it since";
  EXPECT_EQ(memory.HandBackTarget(kRenderConsole, std::nullopt), std::nullopt) << "no default at all now";
  EXPECT_EQ(memory.HandBackTarget(kRenderConsole, L"handset"), std::optional<std::wstring>(L"speakers"));

  memory.RememberSelected(kCaptureCommunications, std::nullopt, L"handset");
  EXPECT_TRUE(memory.Remembers(kCaptureCommunications));
  EXPECT_EQ(memory.HandBackTarget(kCaptureCommunications, L"handset"), std::nullopt) << "there was no default";
  EXPECT_EQ(Select(std::nullopt, L"handset"), 6) << "a slot without a default is selected too";
}

}  // namespace
}  // namespace kprt5::rore
