#include "skype/call_tracker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace kprt5 {
namespace {

class RecordingEffects : public TrackerEffects {
 public:
  std::vector<std::string> log;
  void SetIndicatorRinging() override { log.push_back("ringing"); }
  void SetIndicatorIdle() override { log.push_back("idle"); }
  void RaiseSpeakerForCall() override { log.push_back("raise"); }
  void RestoreSpeakerLevel() override { log.push_back("restore"); }
};

using Effects = std::vector<std::string>;

// Hands the text over with its zero byte, as Skype does.
std::vector<std::string> Notify(CallTracker& tracker, const std::string& text,
                                std::uint32_t version = kDefaultSkypeVersion) {
  RecordingEffects effects;
  std::vector<unsigned char> bytes(text.begin(), text.end());
  bytes.push_back(0);
  EXPECT_EQ(HandleSkypeNotification(tracker, bytes.data(), bytes.size(), version, effects), 1);
  return effects.log;
}

// The tracker's fields apart from the stored notification, for whole-record comparison.
struct Fields {
  std::string first;
  int multiple = 0;
  int listSeen = 0;
  std::string notified;
  std::string inProgress;
  std::string routing;
  std::string ringing;
  int ringingSeen = 0;
  int mismatch = 0;
  bool operator==(const Fields&) const = default;
};

void PrintTo(const Fields& f, std::ostream* os) {
  *os << "{first '" << f.first << "' multiple " << f.multiple << " listSeen " << f.listSeen << " notified '"
      << f.notified << "' inProgress '" << f.inProgress << "' routing '" << f.routing << "' ringing '"
      << f.ringing << "' ringingSeen " << f.ringingSeen << " mismatch " << f.mismatch << "}";
}

Fields FieldsOf(const CallTracker& t) {
  return Fields{std::string(t.firstListedCallId.View()), t.multipleCallsListed, t.callListSeen,
                std::string(t.notifiedCallId.View()), std::string(t.inProgressCallId.View()),
                std::string(t.routingCallId.View()), std::string(t.ringingCallId.View()), t.ringingSeen,
                t.mismatchCount};
}

std::string PreviousText(const CallTracker& t) {
  return std::string(t.previousCallNotification.data(), strnlen(t.previousCallNotification.data(), 256));
}

// ---- Reading single notifications: every text runs after `before`, on a fresh tracker.

struct ReadCase {
  const char* name;
  std::vector<std::string> before;
  std::string text;
  Fields expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class TrackerReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TrackerReadTest, LeavesTheseFields) {
  const ReadCase& c = GetParam();
  CallTracker tracker;
  for (const std::string& text : c.before) Notify(tracker, text);
  Notify(tracker, c.text);
  EXPECT_EQ(FieldsOf(tracker), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TrackerReadTest,
    ::testing::Values(
        ReadCase{"EmptyListEmptiesFirstAndRinging",
                 {"CALL 12 STATUS RINGING", "CALLS 12"},
                 "CALLS ",
                 {"", 0, 1, "12", "", "", "", 1, 0}},
        ReadCase{"TwoListed", {}, "CALLS 12, 13", {"12", 1, 1, "", "", "", "", 0, 1}},
        ReadCase{"OneListedAfterTwo", {"CALLS 12, 13"}, "CALLS 13", {"13", 0, 1, "", "", "", "", 0, 1}},
        ReadCase{"ShorterIdReplacesLongerWhole", {"CALLS 1234"}, "CALLS 56", {"56", 0, 1, "", "", "", "", 0, 0}},
        ReadCase{"MarkerAnywhereReadsFromPositionSix", {}, "#1 CALLS 7", {"LS 7", 0, 1, "", "", "", "", 0, 0}},
        ReadCase{"InProgress", {}, "CALL 12 STATUS INPROGRESS", {"", 0, 0, "12", "12", "", "", 0, 0}},
        ReadCase{"Routing", {}, "CALL 20 STATUS ROUTING", {"", 0, 0, "20", "", "20", "", 0, 0}},
        ReadCase{"Ringing", {}, "CALL 12 STATUS RINGING", {"", 0, 0, "12", "", "", "12", 1, 0}},
        ReadCase{"FinishedEndsRoutingAndInProgressOfThatCall",
                 {"CALL 12 STATUS ROUTING", "CALL 12 STATUS INPROGRESS", "CALL 12 STATUS RINGING"},
                 "CALL 12 STATUS FINISHED",
                 {"", 0, 0, "12", "", "", "12", 0, 0}},
        ReadCase{"FinishAloneActsAsFinished",
                 {"CALL 12 STATUS INPROGRESS", "CALL 12 STATUS RINGING"},
                 "CALL 12 STATUS FINISH",
                 {"", 0, 0, "12", "", "", "12", 0, 0}},
        ReadCase{"FinishedOfAnotherCallOnlyClearsRingingSeen",
                 {"CALL 12 STATUS INPROGRESS", "CALL 12 STATUS RINGING", "CALL 13 STATUS ROUTING"},
                 "CALL 14 STATUS FINISHED",
                 {"", 0, 0, "14", "12", "13", "12", 0, 0}},
        ReadCase{"MissedEndsRoutingNotInProgress",
                 {"CALL 12 STATUS ROUTING", "CALL 12 STATUS INPROGRESS", "CALL 12 STATUS RINGING"},
                 "CALL 12 STATUS MISSED",
                 {"", 0, 0, "12", "12", "", "12", 0, 0}},
        ReadCase{"RefusedEndsRoutingNotInProgress",
                 {"CALL 12 STATUS ROUTING", "CALL 12 STATUS INPROGRESS", "CALL 12 STATUS RINGING"},
                 "CALL 12 STATUS REFUSED",
                 {"", 0, 0, "12", "12", "", "12", 0, 0}},
        ReadCase{"UnknownStatusWordChangesOnlyTheNotifiedId",
                 {"CALL 12 STATUS RINGING"},
                 "CALL 13 STATUS ONHOLD",
                 {"", 0, 0, "13", "", "", "12", 1, 0}},
        ReadCase{"OtherPropertyChangesOnlyTheNotifiedId",
                 {"CALL 12 STATUS RINGING"},
                 "CALL 13 DURATION INPROGRESS",
                 {"", 0, 0, "13", "", "", "12", 1, 0}},
        ReadCase{"CharacterBeforeTheStatusWordIsNotExamined",
                 {},
                 "CALL 12 STATUSxINPROGRESS",
                 {"", 0, 0, "12", "12", "", "", 0, 0}},
        ReadCase{"StatusWordIsComparedOnlyAsFarAsItsLetters",
                 {},
                 "CALL 12 STATUS ROUTINGXYZ",
                 {"", 0, 0, "12", "", "12", "", 0, 0}},
        ReadCase{"StatusWithoutWord", {}, "CALL 12 STATUS", {"", 0, 0, "12", "", "", "", 0, 0}},
        ReadCase{"IdStartsAtPositionFiveEvenOnABlank", {}, "CALL  STATUS RINGING",
                 {"", 0, 0, " STATUS", "", "", "", 0, 0}},
        ReadCase{"NeitherListNorCall", {"CALL 12 STATUS RINGING"}, "PONG", {"", 0, 0, "12", "", "", "12", 1, 0}},
        ReadCase{"CallsIsNotACallNotification", {}, "CALLS 5 STATUS INPROGRESS",
                 {"5 STATUS INPROG", 0, 1, "", "", "", "", 0, 0}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// ---- Courses: each step's text and the effects it must give, in order.

struct Step {
  std::string text;
  Effects effects;
};

void RunCourse(CallTracker& tracker, const std::vector<Step>& steps) {
  for (const Step& step : steps) EXPECT_EQ(Notify(tracker, step.text), step.effects) << "after " << step.text;
}

const Effects kIdleRestore = {"idle", "restore"};
const Effects kRaiseRinging = {"raise", "ringing"};
const Effects kIdle = {"idle"};
const Effects kNothing = {};

TEST(TrackerCourseTest, IncomingCallRingingToFinished) {
  CallTracker tracker;
  RunCourse(tracker, {{"CALL 12 STATUS RINGING", kIdleRestore},
                      {"CALLS 12", kRaiseRinging},
                      {"CALL 12 STATUS RINGING", kRaiseRinging},
                      {"CALL 12 STATUS INPROGRESS", kIdleRestore},
                      {"CALLS 12", kIdleRestore},
                      {"CALL 12 STATUS FINISHED", kNothing},
                      {"CALLS ", kIdleRestore}});
  EXPECT_EQ(FieldsOf(tracker), (Fields{"", 0, 1, "12", "", "", "", 0, 0}));
}

TEST(TrackerCourseTest, MissedCallLeavesTheIndicatorRingingUntilTheNextEmptyList) {
  CallTracker tracker;
  RunCourse(tracker, {{"CALL 12 STATUS RINGING", kIdleRestore},
                      {"CALLS 12", kRaiseRinging},
                      {"CALL 12 STATUS MISSED", kNothing},
                      {"CALLS 12", kNothing},
                      {"CALL 12 DURATION 0", kNothing},
                      {"CALLS ", kIdleRestore}});
}

TEST(TrackerCourseTest, OutgoingCallThroughRouting) {
  CallTracker tracker;
  RunCourse(tracker, {{"CALL 20 STATUS ROUTING", kIdleRestore},
                      {"CALLS 20", kIdle},
                      {"CALL 20 STATUS RINGING", kIdle},
                      {"CALL 20 STATUS INPROGRESS", kIdleRestore},
                      {"CALL 20 STATUS FINISHED", kNothing},
                      {"CALLS ", kIdleRestore}});
  EXPECT_EQ(FieldsOf(tracker), (Fields{"", 0, 1, "20", "", "", "", 0, 0}));
}

TEST(TrackerCourseTest, TwoCallsListedFourthMismatchAndEachAfterRestore) {
  CallTracker tracker;
  Notify(tracker, "CALL 12 STATUS INPROGRESS");
  Notify(tracker, "CALL 13 STATUS RINGING");
  RunCourse(tracker, {{"CALLS 12, 13", kNothing},
                      {"CALL 13 DURATION 0", kNothing},
                      {"CALL 13 DURATION 1", kNothing},
                      {"CALL 13 DURATION 2", kIdleRestore},
                      {"CALL 13 DURATION 3", kIdleRestore}});
  EXPECT_EQ(tracker.mismatchCount, 5);
  // A fitting pattern resets the count: 13 routing and ringing beside 12 in progress and listed first.
  RunCourse(tracker, {{"CALL 13 STATUS ROUTING", kIdle}, {"CALL 13 DURATION 4", kIdle}});
  EXPECT_EQ(tracker.mismatchCount, 0);
}

TEST(TrackerCourseTest, TwoCallsListedSecondPatternIsIdle) {
  CallTracker tracker;
  Notify(tracker, "CALL 30 STATUS RINGING");
  Notify(tracker, "CALL 30 STATUS INPROGRESS");
  Notify(tracker, "CALL 31 STATUS ROUTING");
  EXPECT_EQ(Notify(tracker, "CALLS 31, 30"), kIdle);
  EXPECT_EQ(tracker.mismatchCount, 0);
}

TEST(TrackerCourseTest, UnmatchedTextWithNothingListedSetsIdleAndRestores) {
  CallTracker tracker;
  EXPECT_EQ(Notify(tracker, "USERSTATUS ONLINE"), kIdleRestore);
  EXPECT_EQ(FieldsOf(tracker), Fields{});
}

// ---- The RINGING gate: `previous` is the notification before "CALL 12 STATUS RINGING".

struct GateCase {
  const char* name;
  std::uint32_t version;
  std::vector<std::string> previous;
  bool accepted;
};

void PrintTo(const GateCase& c, std::ostream* os) { *os << c.name; }

class RingingGateTest : public ::testing::TestWithParam<GateCase> {};

TEST_P(RingingGateTest, AcceptsRingingOnlyAsTheVersionAllows) {
  const GateCase& c = GetParam();
  CallTracker tracker;
  for (const std::string& text : c.previous) Notify(tracker, text, c.version);
  const std::string ringingBefore(tracker.ringingCallId.View());
  Notify(tracker, "CALL 12345 STATUS RINGING", c.version);
  EXPECT_EQ(tracker.ringingSeen, c.accepted ? 1 : 0);
  EXPECT_EQ(std::string(tracker.ringingCallId.View()), c.accepted ? "12345" : ringingBefore);
  EXPECT_EQ(PreviousText(tracker), "CALL 12345 STATUS RINGING");
}

INSTANTIATE_TEST_SUITE_P(
    Versions, RingingGateTest,
    ::testing::Values(
        GateCase{"GateStartAfterConf", 0x2050000, {"CALL 12345 CONF_ID 0"}, true},
        GateCase{"GateStartAfterSubject", 0x2050000, {"CALL 12345 SUBJECT hi"}, true},
        GateCase{"GateStartAfterRouting", 0x2050000, {"CALL 12345 STATUS ROUTING"}, false},
        GateCase{"GateStartWithNothingBefore", 0x2050000, {}, false},
        GateCase{"GateEndAfterConf", 0x30000D0, {"CALL 12345 CONF_ID 0"}, true},
        GateCase{"GateEndAfterRouting", 0x30000D0, {"CALL 12345 STATUS ROUTING"}, false},
        GateCase{"PastTheGateAfterRouting", 0x30000D1, {"CALL 12345 STATUS ROUTING"}, true},
        GateCase{"BeforeTheGateAfterRouting", 0x204FFFF, {"CALL 12345 STATUS ROUTING"}, true},
        GateCase{"DefaultAfterRouting", kDefaultSkypeVersion, {"CALL 12345 STATUS ROUTING"}, true},
        GateCase{"DefaultWithNothingBefore", kDefaultSkypeVersion, {}, true},
        // Positions count from the current id's length, whatever id the previous text named.
        GateCase{"PositionsFollowTheCurrentIdLength", 0x2050000, {"CALL 9 CONF_ID 0"}, false},
        GateCase{"OtherIdOfTheSameLength", 0x2050000, {"CALL 99999 CONF_ID 0"}, true},
        // "CALL 9 X" overwrites only the start of the area; "CONF" behind its zero still counts.
        GateCase{"StaleBytesBehindAShorterText", 0x2050000, {"CALL 12345 CONF_ID 0", "CALL 9 X"}, true}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// ---- Texts that the tracker does not expect from Skype, handled safely.

struct RawCase {
  const char* name;
  std::string bytes;  // exactly what lies at lpData, nothing after it
  std::size_t cbData;
  Fields expected;
};

void PrintTo(const RawCase& c, std::ostream* os) { *os << c.name; }

class TrackerRawBytesTest : public ::testing::TestWithParam<RawCase> {};

TEST_P(TrackerRawBytesTest, ReadsNoFurtherThanTheZeroOrCbData) {
  const RawCase& c = GetParam();
  CallTracker tracker;
  RecordingEffects effects;
  // A heap block of exactly these bytes, so a read past it is caught by the address sanitizer.
  std::vector<unsigned char> block(c.bytes.begin(), c.bytes.end());
  EXPECT_EQ(HandleSkypeNotification(tracker, block.data(), c.cbData, kDefaultSkypeVersion, effects), 1);
  EXPECT_EQ(FieldsOf(tracker), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, TrackerRawBytesTest,
    ::testing::Values(
        RawCase{"ListWithoutZeroByte", "CALLS 12", 8, {"12", 0, 1, "", "", "", "", 0, 0}},
        RawCase{"ListCutByCbData", "CALLS 1234, 5", 8, {"12", 0, 1, "", "", "", "", 0, 0}},
        RawCase{"ZeroByteBeforeCbData", std::string("CALLS 12\0, 13", 13), 13, {"12", 0, 1, "", "", "", "", 0, 0}},
        RawCase{"CallWithoutZeroByte", "CALL 12 STATUS RINGING", 22, {"", 0, 0, "12", "", "", "12", 1, 0}},
        RawCase{"StatusCutByCbData", "CALL 12 STATUS RINGING", 20, {"", 0, 0, "12", "", "", "", 0, 0}},
        RawCase{"CbDataZeroIsEmpty", "CALLS 12", 0, {}},
        RawCase{"CallPrefixAloneWithoutZero", "CALL ", 5, {}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(TrackerMendTest, NullDataIsAnEmptyText) {
  CallTracker tracker;
  RecordingEffects effects;
  EXPECT_EQ(HandleSkypeNotification(tracker, nullptr, 40, kDefaultSkypeVersion, effects), 1);
  EXPECT_EQ(FieldsOf(tracker), Fields{});
  EXPECT_EQ(effects.log, kIdleRestore);
}

TEST(TrackerMendTest, LongIdsAreCutTo15Characters) {
  const std::string id40(40, '7');
  CallTracker tracker;
  Notify(tracker, "CALL " + id40 + " STATUS INPROGRESS");
  Notify(tracker, "CALLS " + id40 + ", 8");
  EXPECT_EQ(FieldsOf(tracker), (Fields{std::string(15, '7'), 1, 1, std::string(15, '7'), std::string(15, '7'), "",
                                       "", 0, 1}));
  // The status is still found after the whole id, and the cut ids still match each other.
  Notify(tracker, "CALL " + id40 + " STATUS FINISHED");
  EXPECT_TRUE(tracker.inProgressCallId.Empty());
}

TEST(TrackerMendTest, CallWithoutBlankAfterTheIdHasNoProperty) {
  CallTracker tracker;
  Notify(tracker, "CALL 12 STATUS INPROGRESS");
  Notify(tracker, "CALL 12STATUS FINISHED");
  EXPECT_EQ(std::string(tracker.notifiedCallId.View()), "12STATUS");
  EXPECT_EQ(std::string(tracker.inProgressCallId.View()), "12");
  Notify(tracker, "CALL 34");
  EXPECT_EQ(std::string(tracker.notifiedCallId.View()), "34");
  EXPECT_EQ(PreviousText(tracker), "CALL 34");
  Notify(tracker, "CALL ");
  EXPECT_TRUE(tracker.notifiedCallId.Empty());
  EXPECT_EQ(std::string(tracker.inProgressCallId.View()), "12");
}

TEST(TrackerMendTest, LongNotificationKeeps255BytesAndItsZero) {
  CallTracker tracker;
  const std::string text = "CALL 12 PARTNER_HANDLE " + std::string(277, 'h');
  ASSERT_EQ(text.size(), 300u);
  Notify(tracker, text);
  EXPECT_EQ(PreviousText(tracker), text.substr(0, 255));
  EXPECT_EQ(tracker.previousCallNotification[255], '\0');
  // A shorter text is written over the start only.
  Notify(tracker, "CALL 12 X");
  EXPECT_EQ(PreviousText(tracker), "CALL 12 X");
  EXPECT_EQ(tracker.previousCallNotification[10], 'R');
}

TEST(TrackerMendTest, GateWithALongIdReadsOnlyInsideTheArea) {
  // With an id of 245 characters the gate's positions run up to 257, past the area's 256 bytes: a
  // "SUBJECT" cannot be there, but "CONF" at 251..254 still can.
  const std::string id(245, '4');
  CallTracker tracker;
  Notify(tracker, "CALL " + id + " CONF", 0x2050000);
  ASSERT_EQ(PreviousText(tracker).size(), 255u);
  Notify(tracker, "CALL " + id + " STATUS RINGING", 0x2050000);
  EXPECT_EQ(tracker.ringingSeen, 1);

  CallTracker other;
  Notify(other, "CALL " + id + " SUBJE", 0x2050000);
  Notify(other, "CALL " + id + " STATUS RINGING", 0x2050000);
  EXPECT_EQ(other.ringingSeen, 0);

  const std::string longer(260, '4');
  Notify(other, "CALL " + longer + " STATUS RINGING", 0x2050000);
  EXPECT_EQ(other.ringingSeen, 0);
  Notify(other, "CALL " + longer + " STATUS RINGING", kDefaultSkypeVersion);
  EXPECT_EQ(other.ringingSeen, 1);
}

}  // namespace
}  // namespace kprt5
