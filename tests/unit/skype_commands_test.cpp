#include "skype/skype_commands.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace kprt5 {
namespace {

std::string PayloadText(const PlainCommandPayload& payload) { return std::string(payload.text.data()); }

struct PlainCase {
  const char* name;
  std::string text;
  std::string sent;
  std::uint32_t cbData;
};

void PrintTo(const PlainCase& c, std::ostream* os) { *os << c.name; }

class PlainCommandTest : public ::testing::TestWithParam<PlainCase> {};

TEST_P(PlainCommandTest, CopiesTerminatesAndCounts) {
  const PlainCase& c = GetParam();
  const PlainCommandPayload payload = BuildPlainCommandPayload(c.text);
  EXPECT_EQ(PayloadText(payload), c.sent);
  EXPECT_EQ(payload.cbData, c.cbData);
  EXPECT_EQ(payload.text[payload.cbData - 1], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PlainCommandTest,
    ::testing::Values(PlainCase{"Focus", "FOCUS", "FOCUS", 6},
                      PlainCase{"Poll", "SEARCH ACTIVECALLS", "SEARCH ACTIVECALLS", 19},
                      PlainCase{"Empty", "", "", 1},
                      PlainCase{"ExactlyTheLimit", std::string(127, 'x'), std::string(127, 'x'), 128},
                      PlainCase{"CutAtTheLimit", std::string(300, 'x'), std::string(127, 'x'), 128},
                      PlainCase{"EndsAtAZeroByte", std::string("FOC\0US", 6), "FOC", 4}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(CallStatusCommandTest, NamesTheCallBetweenFixedTexts) {
  EXPECT_EQ(BuildAnswerCommand("12"), "SET CALL 12 STATUS INPROGRESS");
  EXPECT_EQ(BuildPlainCommandPayload(BuildAnswerCommand("12")).cbData, 30u);
  EXPECT_EQ(BuildHangUpCommand("12"), "SET CALL 12 STATUS FINISHED");
  EXPECT_EQ(BuildPlainCommandPayload(BuildHangUpCommand("12")).cbData, 28u);
  EXPECT_EQ(BuildAnswerCommand(""), "SET CALL  STATUS INPROGRESS");
  EXPECT_EQ(BuildHangUpCommand(""), "SET CALL  STATUS FINISHED");
  // The longest command the hook key makes still fits a plain command whole.
  const std::string longest = BuildAnswerCommand(std::string(15, '9'));
  EXPECT_EQ(PayloadText(BuildPlainCommandPayload(longest)), longest);
}

// What the Win32 side's MultiByteToWideChar gives for a Windows-1252 text of ASCII and 0xE9 only.
std::vector<std::uint16_t> Widen1252(const std::string& text) {
  std::vector<std::uint16_t> units;
  for (char ch : text) units.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(ch)));
  units.push_back(0);
  return units;
}

std::vector<unsigned char> AreaBytes(const ArgumentCommandPayload& payload) {
  return std::vector<unsigned char>(payload.text.begin(), payload.text.end());
}

TEST(ArgumentCommandTest, EmptyArgumentSendsThePrefixAlone) {
  const std::string command = FormArgumentCommand(kAudioInPrefix, "");
  EXPECT_EQ(command, "SET AUDIO_IN ");
  const ArgumentCommandPayload payload = EncodeArgumentCommandPayload(Widen1252(command));
  EXPECT_EQ(std::string(payload.text.data()), "SET AUDIO_IN ");
  EXPECT_EQ(payload.cbData, 14u);
}

TEST(ArgumentCommandTest, AnsiAccentReachesSkypeAsUtf8) {
  const std::string command = FormArgumentCommand(kAudioOutPrefix, "Caf\xE9");
  const ArgumentCommandPayload payload = EncodeArgumentCommandPayload(Widen1252(command));
  std::vector<unsigned char> expected(kAudioOutPrefix.begin(), kAudioOutPrefix.end());
  for (int b : {0x43, 0x61, 0x66, 0xC3, 0xA9}) expected.push_back(static_cast<unsigned char>(b));
  std::vector<unsigned char> area = AreaBytes(payload);
  EXPECT_EQ(std::vector<unsigned char>(area.begin(), area.begin() + 19), expected);
  EXPECT_EQ(payload.cbData, 20u);
  for (std::size_t i = 19; i < area.size(); ++i) ASSERT_EQ(area[i], 0) << "byte " << i;
}

TEST(ArgumentCommandTest, FormedTextIsCutAt255Characters) {
  EXPECT_EQ(FormArgumentCommand(kRingerPrefix, std::string(300, 'n')),
            std::string(kRingerPrefix) + std::string(255 - kRingerPrefix.size(), 'n'));
  EXPECT_EQ(FormArgumentCommand(std::string(300, 'p'), "arg"), std::string(255, 'p'));
  EXPECT_EQ(FormArgumentCommand("SET X ", "y"), "SET X y");
}

struct EncodeCase {
  const char* name;
  std::vector<std::uint16_t> units;
  std::size_t textLength;  // bytes before the first zero of the area
  std::uint32_t cbData;
};

void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.name; }

class ArgumentEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(ArgumentEncodeTest, AreaStaysZeroTerminatedWithinItsBytes) {
  const EncodeCase& c = GetParam();
  const ArgumentCommandPayload payload = EncodeArgumentCommandPayload(c.units);
  EXPECT_EQ(std::string(payload.text.data()).size(), c.textLength);
  EXPECT_EQ(payload.cbData, c.cbData);
  EXPECT_EQ(payload.text[kCommandAreaSize - 1], '\0');
}

std::vector<std::uint16_t> Repeat(std::uint16_t unit, std::size_t count, bool terminate = true) {
  std::vector<std::uint16_t> units(count, unit);
  if (terminate) units.push_back(0);
  return units;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ArgumentEncodeTest,
    ::testing::Values(
        // 85 euro signs are exactly 255 bytes; the 86th does not fit and is left out whole.
        EncodeCase{"ThreeByteExactFit", Repeat(0x20AC, 85), 255, 256},
        EncodeCase{"ThreeByteCutBeforeTheLast", Repeat(0x20AC, 86), 255, 256},
        EncodeCase{"TwoByteCutBeforeTheOneThatSpills", Repeat(0x00E9, 128), 254, 255},
        EncodeCase{"AsciiCutAt255", Repeat('a', 256), 255, 256},
        EncodeCase{"NoZeroUnitTakesAllUnits", Repeat('a', 3, false), 3, 4},
        EncodeCase{"StopsAtTheFirstZeroUnit", {'a', 'b', 0, 'c', 'd', 0}, 2, 3},
        EncodeCase{"NoUnits", {}, 0, 1}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
