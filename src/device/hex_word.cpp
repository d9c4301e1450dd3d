#include "device/hex_word.h"

#include <algorithm>

namespace kprt5 {
namespace {

unsigned DigitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return 0;
}

}  // namespace

std::uint16_t ParseHexWord(std::string_view text) {
  const std::size_t count = std::min<std::size_t>(text.size(), 4);
  unsigned result = 0;
  for (std::size_t i = 0; i < count; ++i) result = (result << 4) | DigitValue(text[i]);
  return static_cast<std::uint16_t>(result);
}

}  // namespace kprt5
