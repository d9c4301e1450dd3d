// The level a speaker write really asks of an endpoint: the caller's level in dB, clamped into the
// range the endpoint reports. Header-only and platform-free.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>

namespace kprt5::rore {

// The endpoint's master-level range in dB, as its volume control reports it.
struct LevelRange {
  float minDb = 0.0f;
  float maxDb = 0.0f;
};

// The level to write, or nullopt when there is none to write: the requested level is not a number,
// or the range itself is not one (a bound not a number, or min above max).
inline std::optional<float> ClampLevelDb(float requestedDb, LevelRange range) {
  if (std::isnan(requestedDb) || std::isnan(range.minDb) || std::isnan(range.maxDb) || range.minDb > range.maxDb)
    return std::nullopt;
  return std::clamp(requestedDb, range.minDb, range.maxDb);
}

}  // namespace kprt5::rore
