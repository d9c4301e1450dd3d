#include "ui/panel_numbers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kprt5 {
namespace {

struct DecimalCase {
  const char* name;
  std::string text;
  std::int32_t value;
};

class PanelDecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(PanelDecimalTest, ConvertsLikeTheAddressFields) {
  EXPECT_EQ(ParsePanelDecimal(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PanelDecimalTest,
    ::testing::Values(
        DecimalCase{"Digits", "63", 63}, DecimalCase{"DigitsThenLetters", "12abc", 12},
        DecimalCase{"Empty", "", 0}, DecimalCase{"MinusOne", "-1", -1}, DecimalCase{"Plus", "+7", 7},
        DecimalCase{"LeadingBlanks", "  \t 42", 42}, DecimalCase{"LeadingNewline", "\n\r5", 5},
        DecimalCase{"BlankAfterSign", "- 5", 0}, DecimalCase{"TwoSigns", "+-5", 0},
        DecimalCase{"LettersFirst", "abc12", 0}, DecimalCase{"StopsAtBlank", "1 2", 1},
        DecimalCase{"HexIsNotRead", "0x1F", 0}, DecimalCase{"LeadingZeros", "007", 7},
        DecimalCase{"CutTo19", "0000000000000000001" "2", 1},
        DecimalCase{"NineteenthCharacterCounts", std::string(18, ' ') + "7", 7},
        DecimalCase{"TwentiethCharacterIgnored", std::string(19, ' ') + "7", 0},
        DecimalCase{"LargestInt", "2147483647", 2147483647},
        DecimalCase{"SmallestInt", "-2147483648", -2147483647 - 1},
        DecimalCase{"AboveSaturates", "2147483648", 2147483647},
        DecimalCase{"BelowSaturates", "-9999999999999999999", -2147483647 - 1},
        DecimalCase{"HighByte", "\xB2" "5", 0}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct FieldCase {
  const char* name;
  std::string text;
  PanelNumberType type;
  std::optional<std::int64_t> value;  // nothing: refused
};

class PanelFieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(PanelFieldTest, AcceptsOnlyAValidNumberOfTheType) {
  EXPECT_EQ(ValidatePanelNumber(GetParam().text, GetParam().type), GetParam().value)
      << '"' << GetParam().text << '"';
}

constexpr PanelNumberType kSigned = PanelNumberType::Signed32;
constexpr PanelNumberType kUnsigned = PanelNumberType::Unsigned32;
constexpr PanelNumberType kByte = PanelNumberType::Unsigned8;
const std::optional<std::int64_t> kRefused;

INSTANTIATE_TEST_SUITE_P(
    Texts, PanelFieldTest,
    ::testing::Values(
        FieldCase{"SignedPlain", "32", kSigned, 32}, FieldCase{"SignedNegative", "-5", kSigned, -5},
        FieldCase{"SignedPlus", "+5", kSigned, 5},
        FieldCase{"SignedMin", "-2147483648", kSigned, -2147483648LL},
        FieldCase{"SignedMax", "2147483647", kSigned, 2147483647},
        FieldCase{"SignedAboveMax", "2147483648", kSigned, kRefused},
        FieldCase{"SignedBelowMin", "-2147483649", kSigned, kRefused},
        FieldCase{"SignedHuge", "99999999999999999999999", kSigned, kRefused},
        FieldCase{"Empty", "", kSigned, kRefused}, FieldCase{"OnlyBlanks", "   ", kSigned, kRefused},
        FieldCase{"SignOnly", "-", kSigned, kRefused}, FieldCase{"NotAnInteger", "12abc", kSigned, kRefused},
        FieldCase{"Fraction", "1.5", kSigned, kRefused}, FieldCase{"Hex", "0x10", kSigned, kRefused},
        FieldCase{"InnerBlank", "1 2", kSigned, kRefused},
        FieldCase{"LeadingBlanks", " \t 200", kUnsigned, 200},
        FieldCase{"TrailingBlanks", "200  ", kUnsigned, 200},
        FieldCase{"LeadingZeros", "0007", kUnsigned, 7},
        FieldCase{"UnsignedMax", "4294967295", kUnsigned, 4294967295LL},
        FieldCase{"UnsignedAboveMax", "4294967296", kUnsigned, kRefused},
        FieldCase{"UnsignedMinus", "-1", kUnsigned, kRefused},
        FieldCase{"UnsignedMinusZero", "-0", kUnsigned, kRefused},
        FieldCase{"UnsignedPlus", "+1", kUnsigned, 1},
        FieldCase{"ByteZero", "0", kByte, 0}, FieldCase{"ByteMax", "255", kByte, 255},
        FieldCase{"ByteAbove", "256", kByte, kRefused}, FieldCase{"ByteMinus", "-1", kByte, kRefused},
        FieldCase{"ByteLongZeros", "000000000000000000000255", kByte, 255}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PanelFieldTest, EveryTypeHasAPrompt) {
  for (PanelNumberType type : {kSigned, kUnsigned, kByte}) EXPECT_NE(std::string(PanelNumberPrompt(type)), "");
  EXPECT_NE(std::string(PanelNumberPrompt(kByte)), PanelNumberPrompt(kSigned));
}

TEST(EepromWordTest, LowSixteenBitsInLowerCaseHex) {
  EXPECT_EQ(FormatEepromWord(0x00AB), "ab");
  EXPECT_EQ(FormatEepromWord(0), "0");
  EXPECT_EQ(FormatEepromWord(0xFFFF), "ffff");
  EXPECT_EQ(FormatEepromWord(0x1234ABCD), "abcd");
  EXPECT_EQ(FormatEepromWord(0x00010000), "0");
  EXPECT_EQ(FormatEepromWord(0x0F00), "f00");
}

class ScanModeTest : public ::testing::Test {
 protected:
  const std::vector<std::string> items{"SCAN4X4", "SCAN4X5", "SCAN2X3", "SCAN2X2"};
};

TEST_F(ScanModeTest, SelectsTheFirstItemBeginningWithTheMode) {
  const struct {
    const char* prefix;
    std::optional<std::size_t> index;
  } cases[] = {{"SCAN4X4", 0}, {"scan2x2", 3}, {"Scan2X3", 2}, {"SCAN4", 0}, {"SCAN4X5", 1},
               {"", 0},        {"SCAN4X44", std::nullopt}, {"SCAN3", std::nullopt}, {"X4", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(FindListItemStartingWith(items, c.prefix), c.index) << c.prefix;
  EXPECT_EQ(FindListItemStartingWith(std::span<const std::string>{}, ""), std::nullopt);
}

TEST_F(ScanModeTest, ChoosesTheKeyScanStart) {
  const struct {
    const char* mode;
    KeyScanStart start;
  } cases[] = {{"SCAN4X4", KeyScanStart::Scan4x4}, {"scan4x5", KeyScanStart::Scan4x5},
               {"Scan2x3", KeyScanStart::Scan2x3}, {"sCaN2X2", KeyScanStart::Scan2x2},
               {"", KeyScanStart::None},           {"SCAN4X", KeyScanStart::None},
               {"SCAN4X4 ", KeyScanStart::None},   {"SCAN3X3", KeyScanStart::None}};
  for (const auto& c : cases) EXPECT_EQ(ChooseKeyScan(c.mode), c.start) << '"' << c.mode << '"';
  EXPECT_TRUE(IsScanMode2x2("scan2x2"));
  EXPECT_FALSE(IsScanMode2x2("SCAN2X3"));
  EXPECT_FALSE(IsScanMode2x2(""));
}

struct SendCase {
  const char* name;
  std::string text;
  std::vector<TextReport> reports;
};

class SendTextTest : public ::testing::TestWithParam<SendCase> {};

TEST_P(SendTextTest, TwoBytesPerReportThenTheZero) {
  EXPECT_EQ(SplitTextIntoReports(GetParam().text), GetParam().reports);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SendTextTest,
    ::testing::Values(
        SendCase{"Empty", "", {{64, 129, 0, 0}}},
        SendCase{"OneByte", "A", {{64, 129, 'A', 0}}},
        SendCase{"TwoBytes", "AB", {{64, 129, 'A', 'B'}, {64, 129, 0, 0}}},
        SendCase{"ThreeBytes", "ABC", {{64, 129, 'A', 'B'}, {64, 129, 'C', 0}}},
        SendCase{"FourBytes", "ABCD", {{64, 129, 'A', 'B'}, {64, 129, 'C', 'D'}, {64, 129, 0, 0}}},
        SendCase{"HighBytes", "\xFF\x80\x81", {{64, 129, 0xFF, 0x80}, {64, 129, 0x81, 0}}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
