// Which audio endpoint belongs to the handset: one whose device instance path contains the
// caller's device text ("Vid_7a3e&Pid_01b5"), letters compared without regard to case. Header-only
// and platform-free, so the native unit tests check the rule the library uses.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

namespace kprt5::rore {

// ASCII letters fold to lower case; every other code unit stands for itself. Instance paths and
// the device text are ASCII; a byte of the text over 0x7F matches only the same code unit.
template <typename Char>
constexpr unsigned FoldCase(Char unit) {
  const unsigned value = static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(unit));
  return value >= 'A' && value <= 'Z' ? value + ('a' - 'A') : value;
}

// True when `path` contains `deviceText` ignoring letter case. An empty text names no device (it
// would otherwise match every endpoint).
template <typename Char>
constexpr bool PathNamesDevice(std::basic_string_view<Char> path, std::string_view deviceText) {
  if (deviceText.empty() || deviceText.size() > path.size()) return false;
  for (std::size_t start = 0; start + deviceText.size() <= path.size(); ++start) {
    std::size_t matched = 0;
    while (matched < deviceText.size() && FoldCase(path[start + matched]) == FoldCase(deviceText[matched])) ++matched;
    if (matched == deviceText.size()) return true;
  }
  return false;
}

}  // namespace kprt5::rore
