#include "skype/skype_attach.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kprt5 {
namespace {

constexpr WindowHandle kSkype = 0x5150;

// Records every send and broadcast, in order, as one line each.
class RecordingTransport : public SkypeTransport {
 public:
  std::vector<std::string> log;

  bool SendSkypeCommand(WindowHandle target, std::string_view text) override {
    log.push_back("send " + std::to_string(target) + " " + std::string(text));
    return true;
  }
  bool SendSkypeCommandWithArgument(WindowHandle target, std::string_view prefix,
                                    std::string_view argument) override {
    log.push_back("send " + std::to_string(target) + " " + std::string(prefix) + "|" + std::string(argument));
    return true;
  }
  void BroadcastSkypeDiscover() override { log.push_back("broadcast"); }
};

// Plays the endpoint lookup: a name per property, or nothing found (area untouched). Also checks
// what the area holds when each lookup starts.
class ScriptedAudioNames : public HandsetAudioNames {
 public:
  std::optional<std::string> inputName;
  std::optional<std::string> outputName;
  std::vector<std::string> areaOnEntry;
  std::vector<int> properties;

  void LookupHandsetAudioName(char (&area)[kAudioNameAreaSize], HandsetAudioProperty property) override {
    areaOnEntry.emplace_back(area, strnlen(area, kAudioNameAreaSize));
    properties.push_back(static_cast<int>(property));
    const std::optional<std::string>& name = property == HandsetAudioProperty::Input ? inputName : outputName;
    if (name) std::memcpy(area, name->c_str(), name->size() + 1);
  }
};

struct AttachCase {
  const char* name;
  std::optional<std::string> inputName;
  std::optional<std::string> outputName;
  std::vector<std::string> sent;
};

void PrintTo(const AttachCase& c, std::ostream* os) { *os << c.name; }

class AttachSequenceTest : public ::testing::TestWithParam<AttachCase> {};

TEST_P(AttachSequenceTest, SendsFocusAndTheThreeAudioCommandsInOrder) {
  const AttachCase& c = GetParam();
  SkypeLink link;
  link.discoveryPending = 1;
  RecordingTransport transport;
  ScriptedAudioNames names;
  names.inputName = c.inputName;
  names.outputName = c.outputName;

  EXPECT_TRUE(HandleSkypeAttach(link, kSkype, 0, transport, names));

  EXPECT_EQ(link.skypeWindow, kSkype);
  EXPECT_EQ(link.skypeAttached, 1);
  EXPECT_EQ(link.discoveryPending, 0);
  EXPECT_EQ(transport.log, c.sent);
  EXPECT_EQ(names.properties, (std::vector<int>{1, 2}));
  // The area starts empty and the second lookup gets it as the first one left it.
  ASSERT_EQ(names.areaOnEntry.size(), 2u);
  EXPECT_EQ(names.areaOnEntry[0], "");
  EXPECT_EQ(names.areaOnEntry[1], c.inputName.value_or(""));
}

const std::string kFocus = "send 20816 FOCUS";

INSTANTIATE_TEST_SUITE_P(
    Names, AttachSequenceTest,
    ::testing::Values(
        AttachCase{"BothFound",
                   "In: USB Audio Device",
                   "Out: USB Audio Device",
                   {kFocus, "send 20816 SET AUDIO_IN |In: USB Audio Device",
                    "send 20816 SET AUDIO_OUT |Out: USB Audio Device",
                    "send 20816 SET RINGER |Out: USB Audio Device"}},
        AttachCase{"OutputMissingReusesTheInputName",
                   "Mic",
                   std::nullopt,
                   {kFocus, "send 20816 SET AUDIO_IN |Mic", "send 20816 SET AUDIO_OUT |Mic",
                    "send 20816 SET RINGER |Mic"}},
        AttachCase{"InputMissingSendsThePrefixAlone",
                   std::nullopt,
                   "Spk",
                   {kFocus, "send 20816 SET AUDIO_IN |", "send 20816 SET AUDIO_OUT |Spk",
                    "send 20816 SET RINGER |Spk"}},
        AttachCase{"NothingFound",
                   std::nullopt,
                   std::nullopt,
                   {kFocus, "send 20816 SET AUDIO_IN |", "send 20816 SET AUDIO_OUT |",
                    "send 20816 SET RINGER |"}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A lookup that fills the whole area without a zero byte: the name handed on stops at the area's end.
class UnterminatedAudioNames : public HandsetAudioNames {
 public:
  void LookupHandsetAudioName(char (&area)[kAudioNameAreaSize], HandsetAudioProperty) override {
    std::memset(area, 'n', kAudioNameAreaSize);
  }
};

TEST(AttachTest, UnterminatedNameIsReadWithinTheArea) {
  SkypeLink link;
  RecordingTransport transport;
  UnterminatedAudioNames names;
  HandleSkypeAttach(link, kSkype, 0, transport, names);
  ASSERT_EQ(transport.log.size(), 4u);
  EXPECT_EQ(transport.log[1], "send 20816 SET AUDIO_IN |" + std::string(256, 'n'));
}

TEST(AttachTest, RepeatedSuccessRunsTheWholeSequenceAgainForTheNewWindow) {
  SkypeLink link;
  RecordingTransport transport;
  ScriptedAudioNames names;
  HandleSkypeAttach(link, kSkype, 0, transport, names);
  HandleSkypeAttach(link, 7, 0, transport, names);
  EXPECT_EQ(link.skypeWindow, 7u);
  ASSERT_EQ(transport.log.size(), 8u);
  EXPECT_EQ(transport.log[4], "send 7 FOCUS");
}

struct OtherStatusCase {
  const char* name;
  std::intptr_t status;
  std::vector<std::string> sent;
};

void PrintTo(const OtherStatusCase& c, std::ostream* os) { *os << c.name; }

class AttachOtherStatusTest : public ::testing::TestWithParam<OtherStatusCase> {};

TEST_P(AttachOtherStatusTest, ChangesNoFieldAndIsNotHandled) {
  const OtherStatusCase& c = GetParam();
  SkypeLink link;
  link.skypeWindow = 99;
  link.skypeAttached = 1;
  link.discoveryPending = 1;
  RecordingTransport transport;
  ScriptedAudioNames names;

  EXPECT_FALSE(HandleSkypeAttach(link, kSkype, c.status, transport, names));

  EXPECT_EQ(link.skypeWindow, 99u);
  EXPECT_EQ(link.skypeAttached, 1);
  EXPECT_EQ(link.discoveryPending, 1);
  EXPECT_EQ(transport.log, c.sent);
  EXPECT_TRUE(names.properties.empty());
}

INSTANTIATE_TEST_SUITE_P(Statuses, AttachOtherStatusTest,
                         ::testing::Values(OtherStatusCase{"PendingAuthorisation", 1, {}},
                                           OtherStatusCase{"Refused", 2, {}},
                                           OtherStatusCase{"NotAvailable", 3, {}},
                                           OtherStatusCase{"Negative", -1, {}},
                                           OtherStatusCase{"ApiAvailableWhileAttached", 0x8001, {"broadcast"}}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
