#include "skype/link_supervisor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kprt5 {
namespace {

constexpr WindowHandle kSkype = 0x5150;

class NullEffects : public TrackerEffects {
 public:
  void SetIndicatorRinging() override {}
  void SetIndicatorIdle() override {}
  void RaiseSpeakerForCall() override {}
  void RestoreSpeakerLevel() override {}
};

// Plays Skype and the tray. When `answerPolls` is set, Skype's call list is handled while the
// poll is still being sent, as a nested notification would be.
class SupervisorFixture : public ::testing::Test, public SkypeTransport, public LinkStatusDisplay {
 protected:
  bool SendSkypeCommand(WindowHandle target, std::string_view text) override {
    log.push_back("send " + std::to_string(target) + " " + std::string(text));
    if (answerPolls && text == "SEARCH ACTIVECALLS") Notify("CALLS 12");
    return true;
  }
  bool SendSkypeCommandWithArgument(WindowHandle, std::string_view, std::string_view) override {
    log.push_back("unexpected send with argument");
    return true;
  }
  void BroadcastSkypeDiscover() override { log.push_back("broadcast"); }

  void WriteDebugLine(std::string_view text) override { log.push_back("debug " + std::string(text)); }
  std::string LoadText(std::uint32_t stringId) override {
    log.push_back("load " + std::to_string(stringId));
    return stringId == 104 ? "ZELT KP-RT5:Ready" : "ZELT KP-RT5:Not Ready";
  }
  void SetTrayIcon(std::uint32_t iconId) override { log.push_back("icon " + std::to_string(iconId)); }
  void SetTrayTooltip(std::string_view text) override { log.push_back("tooltip " + std::string(text) + Flags()); }

  std::string Flags() const {
    return " (" + std::to_string(counters.readyShown) + std::to_string(counters.notReadyShown) + ")";
  }

  void Notify(const std::string& text) {
    NullEffects effects;
    HandleSkypeNotification(tracker, reinterpret_cast<const unsigned char*>(text.c_str()), text.size() + 1,
                            kDefaultSkypeVersion, effects);
  }

  void Tick() { SuperviseLink(SupervisorContext{counters, link, tracker, latches, *this, *this}); }

  // Ten ticks; returns what the cycle did.
  std::vector<std::string> Cycle() {
    log.clear();
    for (int i = 0; i < kTicksPerSupervisorCycle; ++i) Tick();
    return log;
  }

  void Attach() {
    link.skypeWindow = kSkype;
    link.skypeAttached = 1;
    link.discoveryPending = 0;
  }

  SupervisorCounters counters;
  SkypeLink link;
  CallTracker tracker;
  HookLatches latches;
  std::vector<std::string> log;
  bool answerPolls = false;
};

using Log = std::vector<std::string>;
const std::string kPoll = "send 20816 SEARCH ACTIVECALLS";
const Log kShowNotReady = {"debug Not ready yayayay!!!", "load 105", "icon 132", "tooltip ZELT KP-RT5:Not Ready (01)"};
const Log kShowReady = {"load 104", "icon 131", "tooltip ZELT KP-RT5:Ready (10)"};

Log Then(Log first, const Log& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST_F(SupervisorFixture, NineTicksDoNothingAndTheTenthRunsACycle) {
  for (int tick = 1; tick <= 9; ++tick) {
    Tick();
    EXPECT_EQ(counters.supervisorTicks, tick);
  }
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(counters.pollMissCount, 0);
  Tick();
  EXPECT_EQ(counters.supervisorTicks, 0);
  EXPECT_EQ(counters.pollMissCount, 1);
  EXPECT_EQ(log, kShowNotReady);
}

TEST_F(SupervisorFixture, WithNoSkypeTheFirstBroadcastIsOnTheSeventhCycle) {
  std::vector<int> broadcastCycles;
  for (int cycle = 1; cycle <= 9; ++cycle) {
    const Log done = Cycle();
    if (std::find(done.begin(), done.end(), "broadcast") != done.end()) broadcastCycles.push_back(cycle);
    if (cycle == 6) {
      EXPECT_EQ(link.discoveryPending, 1);
    }
  }
  EXPECT_EQ(broadcastCycles, (std::vector<int>{7, 8, 9}));
}

TEST_F(SupervisorFixture, HandsetArrivalBroadcastsOnTheNextCycle) {
  Cycle();
  link.discoveryPending = 1;  // device message 0
  EXPECT_EQ(Cycle(), Log{"broadcast"});
}

TEST_F(SupervisorFixture, CallListDuringThePollCountsForTheSameCycle) {
  Attach();
  latches.handsetReady = 1;
  answerPolls = true;
  counters.pollMissCount = 5;  // without the answer this cycle would declare the link lost
  EXPECT_EQ(Cycle(), Then({kPoll}, kShowReady));
  EXPECT_EQ(counters.pollMissCount, 0);
  EXPECT_EQ(tracker.callListSeen, 0);
  EXPECT_EQ(link.skypeAttached, 1);
  for (int cycle = 0; cycle < 5; ++cycle) {
    EXPECT_EQ(Cycle(), Log{kPoll});
    EXPECT_EQ(counters.pollMissCount, 0);
  }
}

TEST_F(SupervisorFixture, CallListBetweenCyclesCounts) {
  Attach();
  latches.handsetReady = 1;
  for (int cycle = 0; cycle < 10; ++cycle) {
    Cycle();
    Notify("CALLS ");
    EXPECT_LE(counters.pollMissCount, 1);
  }
  EXPECT_EQ(link.skypeAttached, 1);
}

TEST_F(SupervisorFixture, SilentSkypeIsLostOnTheSixthCycle) {
  Attach();
  latches.handsetReady = 1;
  EXPECT_EQ(Cycle(), Then({kPoll}, kShowReady));
  for (int cycle = 2; cycle <= 5; ++cycle) EXPECT_EQ(Cycle(), Log{kPoll}) << "cycle " << cycle;
  EXPECT_EQ(Cycle(), Then({kPoll}, kShowNotReady));
  EXPECT_EQ(link.skypeAttached, 0);
  EXPECT_EQ(link.discoveryPending, 1);
  EXPECT_EQ(link.skypeWindow, kSkype);
  EXPECT_EQ(Cycle(), Log{"broadcast"});
}

TEST_F(SupervisorFixture, AttachAfterALongSearchIsLostAgainWithoutAnAnswer) {
  for (int cycle = 0; cycle < 8; ++cycle) Cycle();
  Attach();
  latches.handsetReady = 1;
  EXPECT_EQ(Cycle(), Log{kPoll});  // still not ready, and lost again at once
  EXPECT_EQ(link.skypeAttached, 0);
  EXPECT_EQ(link.discoveryPending, 1);

  Attach();
  answerPolls = true;
  EXPECT_EQ(Cycle(), Then({kPoll}, kShowReady));
  EXPECT_EQ(link.skypeAttached, 1);
}

TEST_F(SupervisorFixture, RepeatedCyclesMakeNoTrayCalls) {
  EXPECT_EQ(Cycle(), kShowNotReady);
  EXPECT_EQ(Cycle(), Log{});
  Attach();
  latches.handsetReady = 1;
  answerPolls = true;
  EXPECT_EQ(Cycle(), Then({kPoll}, kShowReady));
  EXPECT_EQ(Cycle(), Log{kPoll});
  EXPECT_EQ(Cycle(), Log{kPoll});
}

TEST_F(SupervisorFixture, NotReadyTurnsReadyAfterTheHandsetIsReady) {
  Attach();
  answerPolls = true;
  EXPECT_EQ(Cycle(), Then({kPoll}, kShowNotReady));
  // Device message 0: the handset is ready and a search starts again.
  latches.handsetReady = 1;
  link.discoveryPending = 1;
  EXPECT_EQ(Cycle(), Then({kPoll, "broadcast"}, kShowReady));
  EXPECT_EQ(counters.readyShown, 1);
  EXPECT_EQ(counters.notReadyShown, 0);
  // Device message 1 turns it back.
  latches.handsetReady = 0;
  EXPECT_EQ(Cycle(), Then({kPoll, "broadcast"}, kShowNotReady));
}

}  // namespace
}  // namespace kprt5
