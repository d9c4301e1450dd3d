#pragma once
#include <bit>
#include <cstdint>
#include <optional>

namespace kprt5 {

// Speaker levels are single-precision dB values, as the audio-endpoint library reads and writes them.
inline constexpr float kLevelStepDb = 0.7078125f;
inline constexpr float kLevelUpperLimitDb = -0.0625f;
inline constexpr float kLevelLowerLimitDb = -28.375f;
inline constexpr float kStepDownThresholdDb = -27.6671875f;  // lower limit plus one step
inline constexpr float kRaiseThresholdFactor = 0.6666667f;
inline constexpr float kRaiseFactor = 0.8f;

static_assert(std::bit_cast<std::uint32_t>(kLevelStepDb) == 0x3F353333u);
static_assert(std::bit_cast<std::uint32_t>(kLevelUpperLimitDb) == 0xBD800000u);
static_assert(std::bit_cast<std::uint32_t>(kLevelLowerLimitDb) == 0xC1E30000u);
static_assert(std::bit_cast<std::uint32_t>(kStepDownThresholdDb) == 0xC1DD5666u);
static_assert(std::bit_cast<std::uint32_t>(kRaiseThresholdFactor) == 0x3F2AAAABu);
static_assert(std::bit_cast<std::uint32_t>(kRaiseFactor) == 0x3F4CCCCDu);

// The handset speaker's level as the rules reach it: one read and one write through the library.
class LevelIo {
 public:
  virtual ~LevelIo() = default;
  // The current level, or nothing when the library could not read it.
  virtual std::optional<float> ReadLevel() = 0;
  virtual void WriteLevel(float levelDb) = 0;
};

// The level saved before a call raised it. A saved 0.0 counts as nothing saved.
struct SavedLevel {
  std::int32_t savedLevelValid = 0;
  float savedLevelDb = 0.0f;
};

enum class VolumeDirection { Up, Down };

// The level one volume-key press gives from `current`: a step up, capped at the upper limit (the cap
// is tested on the candidate), or a step down, floored at the lower limit (the floor is tested on
// `current` against the threshold). A level that is not a number gives the limit of the direction.
float SteppedLevel(VolumeDirection direction, float current);

// The level a ringing call lifts `current` to (`maxLevelDb` times the raise factor), or nothing when
// `current` is already at or above `maxLevelDb` times the raise-threshold factor.
std::optional<float> CallRaiseLevel(float maxLevelDb, float current);

// One volume-key press: reads the level and writes the stepped level, also when it sits at a limit.
// When the level cannot be read, nothing is written.
void StepSpeakerVolume(VolumeDirection direction, LevelIo& io);

// Lifts the speaker for a ringing call: saves the level read on the first raise since the last
// restore, then writes the raised level when the current one is below the threshold. When the level
// cannot be read, nothing is saved and nothing is written.
void RaiseSpeakerForCall(SavedLevel& saved, float maxLevelDb, LevelIo& io);

// Puts a saved level back (unless the saved level is 0.0) and clears the saved state in every case.
void RestoreSpeakerLevel(SavedLevel& saved, LevelIo& io);

}  // namespace kprt5
