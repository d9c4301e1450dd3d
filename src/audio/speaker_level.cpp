#include "audio/speaker_level.h"

namespace kprt5 {
namespace {

// Rounds to single precision. The i686 build computes floats on the x87 stack, whose intermediates
// are wider and may stay so across casts; a store to a float in memory makes every comparison and
// every written level see the single-precision value.
float Single(float value) {
  volatile float stored = value;
  return stored;
}

}  // namespace

float SteppedLevel(VolumeDirection direction, float current) {
  if (direction == VolumeDirection::Up) {
    const float candidate = Single(current + kLevelStepDb);
    return candidate < kLevelUpperLimitDb ? candidate : kLevelUpperLimitDb;
  }
  return current > kStepDownThresholdDb ? Single(current - kLevelStepDb) : kLevelLowerLimitDb;
}

std::optional<float> CallRaiseLevel(float maxLevelDb, float current) {
  if (Single(maxLevelDb * kRaiseThresholdFactor) > current) return Single(maxLevelDb * kRaiseFactor);
  return std::nullopt;
}

void StepSpeakerVolume(VolumeDirection direction, LevelIo& io) {
  const std::optional<float> level = io.ReadLevel();
  if (!level) return;
  io.WriteLevel(SteppedLevel(direction, *level));
}

void RaiseSpeakerForCall(SavedLevel& saved, float maxLevelDb, LevelIo& io) {
  const std::optional<float> level = io.ReadLevel();
  if (!level) return;
  if (saved.savedLevelValid == 0) {
    saved.savedLevelDb = *level;
    saved.savedLevelValid = 1;
  }
  if (const std::optional<float> raised = CallRaiseLevel(maxLevelDb, *level)) io.WriteLevel(*raised);
}

void RestoreSpeakerLevel(SavedLevel& saved, LevelIo& io) {
  if (saved.savedLevelDb != 0.0f) {
    io.WriteLevel(saved.savedLevelDb);
    saved.savedLevelDb = 0.0f;
  }
  saved.savedLevelValid = 0;
}

}  // namespace kprt5
