#include "audio/speaker_level.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kprt5 {
namespace {

std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// A speaker that holds one level and records every write.
class RecordingLevel : public LevelIo {
 public:
  explicit RecordingLevel(std::optional<float> level) : level_(level) {}
  std::optional<float> ReadLevel() override {
    ++reads;
    return level_;
  }
  void WriteLevel(float levelDb) override {
    writes.push_back(levelDb);
    level_ = levelDb;
  }
  void Set(float levelDb) { level_ = levelDb; }

  int reads = 0;
  std::vector<float> writes;

 private:
  std::optional<float> level_;
};

TEST(SpeakerLevelConstants, CarryTheirExactBits) {
  EXPECT_EQ(Bits(kLevelStepDb), 0x3F353333u);
  EXPECT_EQ(Bits(kLevelUpperLimitDb), 0xBD800000u);
  EXPECT_EQ(Bits(kLevelLowerLimitDb), 0xC1E30000u);
  EXPECT_EQ(Bits(kStepDownThresholdDb), 0xC1DD5666u);
  EXPECT_EQ(Bits(kRaiseThresholdFactor), 0x3F2AAAABu);
  EXPECT_EQ(Bits(kRaiseFactor), 0x3F4CCCCDu);
}

struct StepCase {
  const char* name;
  VolumeDirection direction;
  float current;
  float written;
};

class StepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepTest, WritesExactlyThisLevel) {
  const StepCase& c = GetParam();
  RecordingLevel speaker(c.current);
  StepSpeakerVolume(c.direction, speaker);
  EXPECT_EQ(speaker.reads, 1);
  ASSERT_EQ(speaker.writes.size(), 1u);
  EXPECT_EQ(Bits(speaker.writes[0]), Bits(c.written))
      << "wrote " << speaker.writes[0] << ", expected " << c.written;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr VolumeDirection kUp = VolumeDirection::Up;
constexpr VolumeDirection kDown = VolumeDirection::Down;

INSTANTIATE_TEST_SUITE_P(
    Levels, StepTest,
    ::testing::Values(
        StepCase{"UpAtUpperLimit", kUp, -0.0625f, -0.0625f},
        StepCase{"UpCandidateAboveLimit", kUp, -0.7f, -0.0625f},
        StepCase{"UpFromMinusOne", kUp, -1.0f, -0.2921875f},
        StepCase{"UpFromLowerLimit", kUp, -28.375f, -27.6671875f},
        StepCase{"UpBelowRange", kUp, -30.0f, -29.2921875f},
        StepCase{"UpAboveRange", kUp, 0.0f, -0.0625f},
        StepCase{"UpNaN", kUp, kNaN, -0.0625f},
        StepCase{"UpMinusInfinity", kUp, -kInf, -kInf},
        StepCase{"DownFromMinus27", kDown, -27.0f, -27.7078125f},
        StepCase{"DownAtThreshold", kDown, -27.6671875f, -28.375f},
        StepCase{"DownAtLowerLimit", kDown, -28.375f, -28.375f},
        StepCase{"DownBelowRange", kDown, -30.0f, -28.375f},
        StepCase{"DownAboveRange", kDown, 0.0f, -0.7078125f},
        StepCase{"DownFromUpperLimit", kDown, -0.0625f, -0.7703125f},
        StepCase{"DownNaN", kDown, kNaN, -28.375f},
        StepCase{"DownPlusInfinity", kDown, kInf, kInf}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(StepTest, FortyStepsSpanTheRangeBothWays) {
  RecordingLevel speaker(kLevelLowerLimitDb);
  for (int i = 0; i < 40; ++i) StepSpeakerVolume(kUp, speaker);
  EXPECT_EQ(Bits(speaker.writes.back()), Bits(kLevelUpperLimitDb));
  for (int i = 0; i < 40; ++i) StepSpeakerVolume(kDown, speaker);
  EXPECT_EQ(Bits(speaker.writes.back()), Bits(kLevelLowerLimitDb));
  for (float level : speaker.writes) {
    EXPECT_GE(level, kLevelLowerLimitDb);
    EXPECT_LE(level, kLevelUpperLimitDb);
  }
}

TEST(StepTest, UnreadableLevelWritesNothing) {
  for (VolumeDirection direction : {kUp, kDown}) {
    RecordingLevel speaker(std::nullopt);
    StepSpeakerVolume(direction, speaker);
    EXPECT_EQ(speaker.reads, 1);
    EXPECT_TRUE(speaker.writes.empty());
  }
}

// The raise and restore rules share the saved state; each test drives one call's sequence.
class CallLevelTest : public ::testing::Test {
 protected:
  void ExpectWrites(std::vector<float> expected) {
    ASSERT_EQ(speaker.writes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(Bits(speaker.writes[i]), Bits(expected[i])) << "write " << i;
  }
  void ExpectNothingSaved() {
    EXPECT_EQ(saved.savedLevelValid, 0);
    EXPECT_EQ(Bits(saved.savedLevelDb), Bits(0.0f));
  }

  RecordingLevel speaker{std::nullopt};
  SavedLevel saved;
};

TEST_F(CallLevelTest, RaiseSavesOnceAndRestoreWritesTheFirstLevel) {
  speaker.Set(-10.0f);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  EXPECT_EQ(saved.savedLevelValid, 1);
  EXPECT_EQ(saved.savedLevelDb, -10.0f);
  speaker.Set(-5.0f);  // the user stepped the level during the ring
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  EXPECT_EQ(saved.savedLevelDb, -10.0f);
  RestoreSpeakerLevel(saved, speaker);
  ExpectWrites({-0.05f, -0.05f, -10.0f});
  ExpectNothingSaved();
}

TEST_F(CallLevelTest, RaiseWritesTheFloatNearestMinusFiveHundredths) {
  speaker.Set(kLevelUpperLimitDb);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  ExpectWrites({-0.05f});
  EXPECT_EQ(Bits(speaker.writes[0]), 0xBD4CCCCDu);
}

TEST_F(CallLevelTest, LevelAboveTheThresholdIsSavedButNotRaised) {
  speaker.Set(-0.03f);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  ExpectWrites({});
  RestoreSpeakerLevel(saved, speaker);
  ExpectWrites({-0.03f});
}

TEST_F(CallLevelTest, ThresholdItselfIsNotRaised) {
  // maxLevelDb x 0.6666667 in single precision is -0.041666668; the test is strictly above it.
  const float threshold = std::bit_cast<float>(0xBD2AAAABu);
  speaker.Set(threshold);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  ExpectWrites({});
  speaker.Set(std::nextafter(threshold, -1.0f));
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  ExpectWrites({-0.05f});
}

TEST_F(CallLevelTest, SavedZeroCountsAsNothingSaved) {
  speaker.Set(0.0f);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  EXPECT_EQ(saved.savedLevelValid, 1);
  speaker.Set(-12.0f);  // changed during the call: stays
  RestoreSpeakerLevel(saved, speaker);
  ExpectWrites({});
  ExpectNothingSaved();
}

TEST_F(CallLevelTest, RestoreWithoutRaiseWritesNothing) {
  RestoreSpeakerLevel(saved, speaker);
  ExpectWrites({});
  ExpectNothingSaved();
  EXPECT_EQ(speaker.reads, 0);
}

TEST_F(CallLevelTest, UnreadableLevelIsNeitherSavedNorRaised) {
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  ExpectWrites({});
  ExpectNothingSaved();
  // A later raise whose read works saves that level.
  speaker.Set(-20.0f);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  EXPECT_EQ(saved.savedLevelDb, -20.0f);
}

TEST_F(CallLevelTest, NotANumberIsSavedButNeverRaised) {
  speaker.Set(kNaN);
  RaiseSpeakerForCall(saved, kLevelUpperLimitDb, speaker);
  ExpectWrites({});
  EXPECT_EQ(saved.savedLevelValid, 1);
  EXPECT_TRUE(std::isnan(saved.savedLevelDb));
}

TEST(CallRaiseLevelTest, FollowsTheGivenMaximum) {
  const std::optional<float> raised = CallRaiseLevel(-0.5f, -10.0f);
  ASSERT_TRUE(raised.has_value());
  EXPECT_EQ(Bits(*raised), 0xBECCCCCDu);  // -0.5 x 0.8 in single precision
  EXPECT_EQ(CallRaiseLevel(-0.5f, -0.3f), std::nullopt);  // above -0.33333334
}

}  // namespace
}  // namespace kprt5
