#include "skype/utf8_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kprt5 {
namespace {

struct EncoderCase {
  const char* name;
  std::vector<std::uint16_t> units;
  std::size_t capacity;
  std::vector<unsigned char> bytes;  // what stands in the area afterwards
  std::size_t result;
};

class EncoderTest : public ::testing::TestWithParam<EncoderCase> {};

TEST_P(EncoderTest, WritesExactlyTheseBytes) {
  const EncoderCase& c = GetParam();
  std::vector<char> area(c.capacity + 4, '\x5A');  // guard bytes past the capacity
  const std::size_t result = EncodeUtf16ToUtf8(c.units.data(), c.units.size(), area.data(), c.capacity);
  EXPECT_EQ(result, c.result);
  for (std::size_t i = 0; i < c.bytes.size(); ++i)
    EXPECT_EQ(static_cast<unsigned char>(area[i]), c.bytes[i]) << "byte " << i;
  for (std::size_t i = c.bytes.size(); i < area.size(); ++i)
    EXPECT_EQ(area[i], '\x5A') << "byte " << i << " was written";
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, EncoderTest,
    ::testing::Values(
        EncoderCase{"Ascii", {'a', 'b', 'c'}, 255, {0x61, 0x62, 0x63}, 3},
        EncoderCase{"TwoByte", {0x00E9}, 255, {0xC3, 0xA9}, 2},
        EncoderCase{"ThreeByte", {0x20AC}, 255, {0xE2, 0x82, 0xAC}, 3},
        EncoderCase{"SurrogatePair", {0xD83D, 0xDE00}, 255, {0xF0, 0x9F, 0x98, 0x80}, 4},
        EncoderCase{"HighThenAscii", {0xD800, 'A'}, 255, {0xED, 0xA0, 0x80, 0x41}, 4},
        EncoderCase{"HighLast", {0xD800}, 255, {0xED, 0xA0, 0x80}, 3},
        EncoderCase{"TwoHighs", {0xD800, 0xDBFF}, 255, {0xED, 0xA0, 0x80, 0xED, 0xAF, 0xBF}, 6},
        EncoderCase{"LoneLow", {0xDC00}, 255, {0xED, 0xB0, 0x80}, 3},
        EncoderCase{"Empty", {}, 255, {}, 0},
        EncoderCase{"StopsAtCapacity", {'a', 'b', 'c'}, 2, {0x61, 0x62}, 0},
        EncoderCase{"WholeSequenceOrNothing", {0x20AC, 0x20AC}, 4, {0xE2, 0x82, 0xAC}, 0},
        EncoderCase{"PairWithoutRoom", {'a', 0xD83D, 0xDE00}, 4, {0x61}, 0},
        EncoderCase{"PendingHighWithoutRoom", {'a', 'b', 0xD800}, 4, {0x61, 0x62}, 0},
        EncoderCase{"ExactFit", {'a', 0x00E9}, 3, {0x61, 0xC3, 0xA9}, 3}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
