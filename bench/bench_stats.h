// Order statistics of a set of samples, for the benchmark tables.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace kprt5::bench {

// The nearest-rank percentile (0 < p <= 100) of `samples`; 0 for no samples.
inline double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0.0;
  std::sort(samples.begin(), samples.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(samples.size()));
  const std::size_t index = rank < 1.0 ? 0 : static_cast<std::size_t>(rank) - 1;
  return samples[std::min(index, samples.size() - 1)];
}

inline double Median(const std::vector<double>& samples) { return Percentile(samples, 50.0); }

}  // namespace kprt5::bench
