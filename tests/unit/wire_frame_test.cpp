// The handset wire frame is shared by both libraries and the virtual handset; it lives beside the
// libraries, outside src/, hence the relative include.
#include "../../libs/wire/wire_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kprt5::wire {
namespace {

std::vector<std::uint8_t> Bytes(const Frame& frame) {
  const std::optional<FrameBytes> bytes = Encode(frame);
  EXPECT_TRUE(bytes.has_value());
  return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end()) : std::vector<std::uint8_t>{};
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(WireFrame, LayoutIsLittleEndianAtFixedOffsets) {
  const std::vector<std::uint8_t> bytes =
      Bytes(MakeCall(Function::VistaSetSpeakerVolumeLevelDB, {1, 0xC1200000u}, "Vid"));
  ASSERT_EQ(bytes.size(), 324u);
  const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 24);
  EXPECT_EQ(head, (std::vector<std::uint8_t>{'K', 'V', 'H', '1', 1, 0, 0, 0, 103, 0, 0, 0, 2, 0, 0, 0,  //
                                             1, 0, 0, 0, 0x00, 0x00, 0x20, 0xC1}));
  EXPECT_EQ(bytes[64], 3);  // text length
  EXPECT_EQ(std::string(bytes.begin() + 68, bytes.begin() + 71), "Vid");
  for (std::size_t i = 71; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(WireFrame, RoundTripsEveryKindAndTheLimits) {
  std::vector<Frame> frames{
      MakeCall(Function::HidStopMonitor, {}),
      MakeReply(10, 1, 0xBEEF),
      MakeFrame(FrameKind::Watch, 1, {5120, 5121, 5122, 5123, 5124, 5125, 5126, 5127, 5128, 0x7A3E, 0x01B5}),
      MakeFrame(FrameKind::Event, 1, {8, 1, 0}),
  };
  Frame full = MakeCall(Function::VistaSetDefaultAudio, {}, std::string(kMaxText, '\xFF'));
  full.argCount = kMaxArgs;
  for (std::uint32_t i = 0; i < kMaxArgs; ++i) full.args[i] = 0xFFFFFFF0u + i;
  frames.push_back(full);
  for (const Frame& frame : frames) {
    const std::vector<std::uint8_t> bytes = Bytes(frame);
    const std::optional<Frame> back = Decode(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, frame);
  }
}

TEST(WireFrame, EncodeRefusesWhatCannotTravel) {
  Frame tooManyArgs = MakeCall(Function::HidSetGpio, {2, 2});
  tooManyArgs.argCount = kMaxArgs + 1;
  Frame longText = MakeCall(Function::VistaSetMicAGC, {1, 0});
  longText.text = std::string(kMaxText + 1, 'a');
  Frame zeroInText = MakeCall(Function::VistaSetMicAGC, {1, 0});
  zeroInText.text = std::string("ab\0c", 4);
  Frame badKind = MakeCall(Function::HidSetGpio, {2, 2});
  badKind.kind = static_cast<FrameKind>(5);
  for (const Frame& frame : {tooManyArgs, longText, zeroInText, badKind}) EXPECT_FALSE(Encode(frame).has_value());
}

struct Corruption {
  const char* name;
  std::size_t offset;
  std::uint32_t value;
};

class WireFrameDecodeRefuses : public ::testing::TestWithParam<Corruption> {};

TEST_P(WireFrameDecodeRefuses, CorruptField) {
  std::vector<std::uint8_t> bytes = Bytes(MakeCall(Function::VistaSetMicAGC, {1, 0}, "Vid_7a3e&Pid_01b5"));
  PutU32(bytes, GetParam().offset, GetParam().value);
  EXPECT_FALSE(Decode(bytes).has_value());
}

INSTANTIATE_TEST_SUITE_P(Fields, WireFrameDecodeRefuses,
                         ::testing::Values(Corruption{"magic", kOffsetMagic, 0x3148564Cu},
                                           Corruption{"kind_zero", kOffsetKind, 0},
                                           Corruption{"kind_five", kOffsetKind, 5},
                                           Corruption{"args_13", kOffsetArgCount, 13},
                                           Corruption{"args_huge", kOffsetArgCount, 0xFFFFFFFFu},
                                           Corruption{"text_256", kOffsetTextLength, 256},
                                           Corruption{"text_huge", kOffsetTextLength, 0x80000000u},
                                           // a length reaching past the 17 text bytes into the zero padding
                                           Corruption{"text_into_padding", kOffsetTextLength, 18}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(WireFrame, DecodeRefusesAnyOtherSize) {
  const std::vector<std::uint8_t> bytes = Bytes(MakeCall(Function::HidBuzzerOn, {}));
  for (std::size_t size : {std::size_t{0}, std::size_t{4}, kFrameSize - 1}) {
    EXPECT_FALSE(Decode(std::span<const std::uint8_t>(bytes.data(), size)).has_value()) << size;
  }
  std::vector<std::uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(Decode(longer).has_value());
}

TEST(WireFrame, DecodeIgnoresSlotsPastTheCounts) {
  std::vector<std::uint8_t> bytes = Bytes(MakeCall(Function::HidSetGpio, {2, 2}));
  PutU32(bytes, kOffsetArgs + 4 * 5, 0xDEADBEEFu);  // an argument slot past the count
  bytes[kOffsetText + 100] = 'x';                  // a text byte past the length
  const std::optional<Frame> frame = Decode(bytes);
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(*frame, MakeCall(Function::HidSetGpio, {2, 2}));
  EXPECT_EQ(frame->Arg(5), 0u);
}

TEST(WireFrame, WellFormedCallsMatchTheFunctionTable) {
  struct Case {
    Frame frame;
    bool wellFormed;
  };
  const std::vector<Case> cases{
      {MakeCall(Function::HidSetGpio, {0, 2}), true},
      {MakeCall(Function::HidSetGpio, {0}), false},                        // argument missing
      {MakeCall(Function::HidBuzzerOn, {}, "text"), false},                // text where none belongs
      {MakeCall(Function::VistaSetDefaultAudio, {0, 1, 1}, "Vid"), true},  //
      {MakeCall(static_cast<Function>(2), {}), false},                     // ordinal 2 does not exist
      {MakeCall(Function::HidStartMonitor, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), false},  // a start is a Watch
      {MakeFrame(FrameKind::Watch, 11, {0, 5129, 0x7A3E, 0x01B5}), true},
      {MakeFrame(FrameKind::Watch, 13, {2, 2}), false},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(IsWellFormedCall(cases[i].frame), cases[i].wellFormed) << i;
}

}  // namespace
}  // namespace kprt5::wire
