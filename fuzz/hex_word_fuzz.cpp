// ParseHexWord over any text (the input exactly, no terminating zero): the first four characters,
// a non-digit counting as a zero digit in its place, against strtoul on each digit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "device/hex_word.h"
#include "fuzz_check.h"

namespace {

unsigned ReferenceDigit(char c) {
  if (c == '\0' || std::strchr("0123456789abcdefABCDEF", c) == nullptr) return 0;
  const char digit[2] = {c, '\0'};
  return static_cast<unsigned>(std::strtoul(digit, nullptr, 16));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  unsigned expected = 0;
  for (std::size_t i = 0; i < 4; ++i) expected = expected * 16 + (i < size ? ReferenceDigit(text[i]) : 0);
  if (size < 4) expected >>= 4 * (4 - size);  // fewer than four characters: only those digits
  FUZZ_CHECK(kprt5::ParseHexWord(text) == expected);
  return 0;
}
