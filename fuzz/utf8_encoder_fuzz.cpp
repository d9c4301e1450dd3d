// EncodeUtf16ToUtf8 with any units and any capacity. Input: the first two bytes give the
// capacity (0..1023); the rest are UTF-16 units, low byte first. The output is a heap buffer of
// exactly `capacity` bytes, so a write past it is a write past the buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "skype/utf8_encoder.h"

namespace {

// An independent encoding: UTF-16 to code points first (an unpaired surrogate stands for itself),
// then each code point by the length table of UTF-8.
std::vector<std::uint32_t> CodePoints(const std::vector<std::uint16_t>& units) {
  std::vector<std::uint32_t> points;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t unit = units[i];
    const bool high = (unit & 0xFC00u) == 0xD800u;
    if (high && i + 1 < units.size() && (units[i + 1] & 0xFC00u) == 0xDC00u) {
      points.push_back(0x10000u + ((unit & 0x3FFu) << 10) + (units[i + 1] & 0x3FFu));
      ++i;
    } else {
      points.push_back(unit);
    }
  }
  return points;
}

std::string ReferenceUtf8(const std::vector<std::uint16_t>& units) {
  std::string bytes;
  for (const std::uint32_t point : CodePoints(units)) {
    const int length = point < 0x80u ? 1 : point < 0x800u ? 2 : point < 0x10000u ? 3 : 4;
    static constexpr unsigned char kLeads[] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
    std::string sequence(static_cast<std::size_t>(length), '\0');
    std::uint32_t rest = point;
    for (int k = length - 1; k > 0; --k) {
      sequence[static_cast<std::size_t>(k)] = static_cast<char>(0x80u | (rest & 0x3Fu));
      rest >>= 6;
    }
    sequence[0] = static_cast<char>(kLeads[length] | rest);
    bytes += sequence;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t capacity = (static_cast<std::size_t>(data[0]) | (static_cast<std::size_t>(data[1]) << 8)) % 1024;
  std::vector<std::uint16_t> units;
  for (std::size_t i = 2; i + 1 < size; i += 2)
    units.push_back(static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8)));

  // Twice, over buffers filled with different bytes: where the two outputs agree, the encoder wrote.
  const auto run = [&](char fill, std::string& seen) {
    const auto output = std::make_unique<char[]>(capacity);
    std::memset(output.get(), fill, capacity);
    const std::size_t result = kprt5::EncodeUtf16ToUtf8(units.data(), units.size(), output.get(), capacity);
    seen.assign(output.get(), capacity);
    return result;
  };
  std::string first;
  std::string second;
  const std::size_t written = run('\0', first);
  FUZZ_CHECK(run('\xFF', second) == written);
  std::size_t touched = 0;
  while (touched < capacity && first[touched] == second[touched]) ++touched;
  for (std::size_t i = touched; i < capacity; ++i) FUZZ_CHECK(first[i] != second[i]);  // bytes written form a prefix

  const std::string expected = ReferenceUtf8(units);
  FUZZ_CHECK(written <= capacity);
  FUZZ_CHECK(first.compare(0, touched, expected, 0, touched) == 0 && touched <= expected.size());
  if (expected.size() <= capacity) {
    // It fits: the whole encoding, byte for byte.
    FUZZ_CHECK(written == expected.size() && touched == written);
  } else {
    // It does not fit: 0, whole sequences written up to the first that had no room.
    FUZZ_CHECK(written == 0);
    const auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(expected[i]) & 0xC0u) == 0x80u; };
    FUZZ_CHECK(!continuation(touched));
    std::size_t next = touched + 1;
    while (next < expected.size() && continuation(next)) ++next;
    FUZZ_CHECK(next > capacity);
  }
  return 0;
}
