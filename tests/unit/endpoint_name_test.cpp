#include "audio/endpoint_name.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace kprt5 {
namespace {

// Lead bytes of Shift-JIS (code page 932), whose second bytes include 0x40..0x7E, among them 'U',
// 'S' and 'B'.
bool ShiftJisLead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }
bool NoLeadBytes(unsigned char) { return false; }

const std::string kDescription = "USB Audio Device";

// A caller's 256-byte name area, filled with an earlier name so that an untouched area shows.
struct NameArea {
  NameArea() { std::strcpy(bytes.data(), "earlier name"); }
  std::string Text() const { return std::string(bytes.data()); }
  std::array<char, kNameAreaSize> bytes{};
};

struct WaveCase {
  const char* name;
  std::vector<std::optional<std::string_view>> devices;
  std::string description;
  std::string result;  // "earlier name" when nothing matched
};

class WaveformRuleTest : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveformRuleTest, StoresTheBuiltNameOfTheFirstUsbDevice) {
  const WaveCase& c = GetParam();
  NameArea area;
  const bool stored = ApplyWaveformRule(c.devices, c.description, ShiftJisLead, area.bytes);
  EXPECT_EQ(area.Text(), c.result);
  EXPECT_EQ(stored, c.result != "earlier name");
}

INSTANTIATE_TEST_SUITE_P(
    Devices, WaveformRuleTest,
    ::testing::Values(
        WaveCase{"CutName", {"Speakers (USB Audio Devi"}, kDescription, "Speakers (USB Audio Device)"},
        WaveCase{"ClosedName", {"Speakers (USB Audio Device)"}, kDescription, "Speakers (USB Audio Device"},
        WaveCase{"BareName", {"USB Audio Device"}, kDescription, "USB Audio Device)"},
        WaveCase{"OtherDeviceThenHandset", {"Speakers (Realtek HD Audio)", "Speakers (USB Audio Devi"},
                 kDescription, "Speakers (USB Audio Device)"},
        WaveCase{"NoUsbDevice", {"Speakers (Realtek HD Audio)"}, kDescription, "earlier name"},
        WaveCase{"NoDevices", {}, kDescription, "earlier name"},
        WaveCase{"FirstUsbDecides", {"Headset (USB Phone)", "Speakers (USB Audio Devi"}, kDescription,
                 "Headset (USB Audio Device"},
        WaveCase{"UnreadableSkipped", {std::nullopt, "USB Audio Device"}, kDescription, "USB Audio Device)"},
        WaveCase{"CaseDistinguished", {"Speakers (usb audio)", "Usb"}, kDescription, "earlier name"},
        WaveCase{"FirstMarkerCuts", {"AUSBxUSB"}, kDescription, "AUSB Audio Device)"},
        WaveCase{"EmptyDescription", {"Out: USB Audio Device"}, "", "Out: )"},
        // Shift-JIS: 0x83 0x55 is one character, so its 'U' never starts "USB".
        WaveCase{"TrailByteNotAMatch", {"\x83USB Speaker"}, kDescription, "earlier name"},
        WaveCase{"MatchAfterDoubleByte", {"\x83USB \x83\x8CUSB"}, kDescription,
                 "\x83USB \x83\x8C" "USB Audio Device)"},
        // 0x83 0x83 is one character; the "USB" after it starts on a boundary.
        WaveCase{"LeadByteAsTrail", {"\x83\x83USB"}, kDescription, "\x83\x83USB Audio Device)"},
        WaveCase{"ParenAsTrailByteDoesNotCount", {"\x81)USB"}, kDescription, "\x81)USB Audio Device)"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(WaveformRuleTest, WithoutDoubleByteCodePageTrailBytesMatch) {
  NameArea area;
  const std::optional<std::string_view> devices[] = {"\x83USB"};
  EXPECT_TRUE(ApplyWaveformRule(devices, kDescription, NoLeadBytes, area.bytes));
  EXPECT_EQ(area.Text(), "\x83USB Audio Device)");
  EXPECT_TRUE(ApplyWaveformRule(devices, kDescription, nullptr, area.bytes));
  EXPECT_EQ(area.Text(), "\x83USB Audio Device)");
}

TEST(WaveformRuleTest, LongDescriptionIsCutToTheArea) {
  NameArea area;
  const std::optional<std::string_view> devices[] = {"Speakers (USB"};
  const std::string description(300, 'd');
  EXPECT_TRUE(ApplyWaveformRule(devices, description, ShiftJisLead, area.bytes));
  EXPECT_EQ(area.Text(), "Speakers (" + std::string(255 - 10, 'd'));
}

struct CutCase {
  const char* name;
  std::string text;
  std::size_t areaSize;
  std::string stored;
};

class StoreNameTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(StoreNameTest, CutsAtACharacterBoundary) {
  const CutCase& c = GetParam();
  std::vector<char> area(c.areaSize + 8, 'Z');  // guard bytes past the area
  const std::size_t written = StoreName(c.text, std::span<char>(area.data(), c.areaSize), ShiftJisLead);
  EXPECT_EQ(written, c.stored.size());
  if (c.areaSize > 0) {
    EXPECT_EQ(std::string(area.data(), written), c.stored);
    EXPECT_EQ(area[written], '\0');
  }
  for (std::size_t i = c.areaSize; i < area.size(); ++i) EXPECT_EQ(area[i], 'Z') << "byte " << i;
  for (std::size_t i = written + 1; i < c.areaSize; ++i) EXPECT_EQ(area[i], 'Z') << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Names, StoreNameTest,
    ::testing::Values(
        CutCase{"Fits", "USB Audio Device)", 256, "USB Audio Device)"},
        CutCase{"ExactlyFull", std::string(255, 'a'), 256, std::string(255, 'a')},
        CutCase{"OneOver", std::string(256, 'a'), 256, std::string(255, 'a')},
        CutCase{"DoubleByteStraddlesTheEnd", std::string(254, 'a') + "\x83\x40", 256, std::string(254, 'a')},
        CutCase{"DoubleByteEndsAtTheEnd", std::string(253, 'a') + "\x83\x40" "b", 256,
                std::string(253, 'a') + "\x83\x40"},
        CutCase{"AllDoubleByte", [] {
                  std::string s;
                  for (int i = 0; i < 200; ++i) s += "\x88\x9F";
                  return s;
                }(), 256, [] {
                  std::string s;
                  for (int i = 0; i < 127; ++i) s += "\x88\x9F";
                  return s;
                }()},
        CutCase{"LoneLeadByteAtTheEnd", "ab\x83", 256, "ab\x83"},
        CutCase{"Empty", "", 256, ""},
        CutCase{"OneByteArea", "abc", 1, ""},
        CutCase{"NoArea", "abc", 0, ""}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct MixerCase {
  const char* name;
  std::string mixerName;
  std::string description;
  bool matches;
};

class MixerRuleTest : public ::testing::TestWithParam<MixerCase> {};

TEST_P(MixerRuleTest, NameHoldsTheWholeDescription) {
  const MixerCase& c = GetParam();
  EXPECT_EQ(MixerNameMatches(c.mixerName, c.description, ShiftJisLead), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MixerRuleTest,
    ::testing::Values(
        MixerCase{"Equal", "USB Audio Device", kDescription, true},
        MixerCase{"Inside", "Out: USB Audio Device", kDescription, true},
        MixerCase{"CutDescription", "Speakers (USB Audio Devi", kDescription, false},
        MixerCase{"OtherCase", "usb audio device", kDescription, false},
        MixerCase{"DescriptionLongerThanAnyName", "USB Audio Device 2 (Handset Mx)",
                  "USB Audio Device 2 (Handset Mx) Speaker", false},
        MixerCase{"EmptyDescription", "Realtek HD Audio", "", false},
        MixerCase{"StartsOnTrailByte", "\x83SB Audio", "SB Audio", false},
        MixerCase{"DoubleByteDescription", "\x83\x58\x83\x73\x81\x5B\x83\x4A", "\x83\x73\x81\x5B", true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(EndpointLocaleTest, OnlyJapaneseUsesWaveformNames) {
  EXPECT_TRUE(UsesWaveformRule(1041));
  EXPECT_FALSE(UsesWaveformRule(1033));
  EXPECT_FALSE(UsesWaveformRule(0x10411));  // 1041 with a sort order is another locale
}

}  // namespace
}  // namespace kprt5
