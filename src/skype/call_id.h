#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace kprt5 {

inline constexpr std::size_t kMaxCallIdLength = 15;

// A call id as Skype names it in its notifications: at most 15 characters in a 16-byte area that
// always holds its terminating zero. Longer ids are cut to 15 characters.
struct CallId {
  std::array<char, kMaxCallIdLength + 1> text{};

  std::string_view View() const {
    const auto zero = std::find(text.begin(), text.end(), '\0');
    return std::string_view(text.data(), static_cast<std::size_t>(zero - text.begin()));
  }
  bool Empty() const { return text[0] == '\0'; }
  void Clear() { text.fill('\0'); }
  void Assign(std::string_view id) {
    Clear();
    std::copy_n(id.data(), std::min(id.size(), kMaxCallIdLength), text.data());
  }

  friend bool operator==(const CallId& a, const CallId& b) { return a.View() == b.View(); }
};

}  // namespace kprt5
