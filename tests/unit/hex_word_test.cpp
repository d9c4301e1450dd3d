#include "device/hex_word.h"

#include <gtest/gtest.h>

#include <string>

namespace kprt5 {
namespace {

struct HexCase {
  const char* name;
  std::string text;
  std::uint16_t value;
};

class HexWordTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexWordTest, ReadsTheFirstFourCharacters) {
  EXPECT_EQ(ParseHexWord(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexWordTest,
    ::testing::Values(HexCase{"UpperCase", "7A3E", 0x7A3E}, HexCase{"LowerCase", "7a3e", 0x7A3E},
                      HexCase{"LeadingZero", "01B5", 0x01B5}, HexCase{"FifthIgnored", "12345", 0x1234},
                      HexCase{"NonDigitIsZero", "1G", 0x0010}, HexCase{"BlankIsZero", " 12", 0x0012},
                      HexCase{"PrefixIsDigits", "0x12", 0x0012}, HexCase{"Empty", "", 0},
                      HexCase{"AllF", "ffff", 0xFFFF}, HexCase{"OneDigit", "F", 0x000F},
                      HexCase{"LettersPastF", "GHIJ", 0}, HexCase{"MinusIsZero", "-1", 0x0001},
                      HexCase{"HighBytes", "\xC1\xFF" "A", 0x000A},
                      HexCase{"ZeroByteKeepsPlace", std::string("1\0" "2", 3), 0x0102},
                      HexCase{"LongText", "abcdefabcdef", 0xABCD}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
