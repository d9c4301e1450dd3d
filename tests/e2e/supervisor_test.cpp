// The link supervisor in the real program, in real time (a cycle every 2 s): the search while Skype
// is absent, the poll while attached, a silent Skype declared lost, and a Skype that comes back
// with a new window. The tray's state is read from the pixels of its icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "tray_image.h"

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::duration_cast;
using std::chrono::milliseconds;

constexpr milliseconds kCycle = 2000ms;
// Timer ticks under Wine arrive a little late now and then; a cycle may drift by this much.
constexpr milliseconds kCycleSlack = 500ms;
const std::string kPoll = "SEARCH ACTIVECALLS";

std::string Ms(Clock::duration d) { return std::to_string(duration_cast<milliseconds>(d).count()) + " ms"; }

class SupervisorTest : public ProgramTest {
 protected:
  std::vector<Clock::time_point> PollTimes() const {
    std::vector<Clock::time_point> times;
    for (const skype_peer::CommandRecord& command : peer.Commands())
      if (command.Text() == kPoll) times.push_back(command.at);
    return times;
  }

  std::vector<Clock::time_point> DiscoverTimes() const {
    std::vector<Clock::time_point> times;
    for (const skype_peer::DiscoverRecord& discover : peer.Discovers()) times.push_back(discover.at);
    return times;
  }

  bool WaitForPolls(std::size_t count, milliseconds timeout) const {
    return peer.WaitForCommands(
        [&](const std::vector<skype_peer::CommandRecord>& commands) {
          return static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(), [](const auto& command) {
                   return command.Text() == kPoll;
                 })) >= count;
        },
        timeout);
  }

  // When the peer last answered a poll with its call list.
  std::optional<Clock::time_point> LastCallListReply() const {
    std::optional<Clock::time_point> last;
    for (const skype_peer::SentRecord& sent : peer.Sent())
      if (sent.kind == skype_peer::SentRecord::Kind::Reply && sent.text.starts_with("CALLS") && sent.sent)
        last = sent.at;
    return last;
  }

  static void ExpectOneCycleApart(const std::vector<Clock::time_point>& times, const char* what) {
    for (std::size_t i = 1; i < times.size(); ++i) {
      const Clock::duration gap = times[i] - times[i - 1];
      EXPECT_GT(gap, kCycle - kCycleSlack) << what << " " << i << " came after " << Ms(gap);
      EXPECT_LT(gap, kCycle + kCycleSlack) << what << " " << i << " came after " << Ms(gap);
    }
  }
};

TEST_F(SupervisorTest, WithoutSkypeTheFirstDiscoverGoesOutOnTheSeventhCycleThenOnEveryCycle) {
  peer.SetDiscoverAnswer(std::nullopt);  // Skype is not there: nobody answers
  StartProgram();
  const Clock::time_point started = Clock::now();  // timer 1 starts as the window initialises
  ASSERT_TRUE(WaitUntil(TrayShowsNotReady, 5s)) << "the not-ready image with its red sign: " << DescribeTrayIcon();

  ASSERT_TRUE(peer.WaitForDiscovers(3, 22s)) << "the search never started";
  const std::vector<Clock::time_point> discovers = DiscoverTimes();
  const Clock::duration first = discovers[0] - started;
  EXPECT_GT(first, 7 * kCycle - 2 * kCycleSlack) << "the first discover came after " << Ms(first);
  EXPECT_LT(first, 7 * kCycle + 2 * kCycleSlack) << "the first discover came after " << Ms(first);
  ExpectOneCycleApart(std::vector<Clock::time_point>(discovers.begin(), discovers.begin() + 3), "discover");
  for (const skype_peer::DiscoverRecord& discover : peer.Discovers()) EXPECT_EQ(discover.client, program.Window());
  EXPECT_TRUE(peer.Commands().empty()) << "nothing is sent while not attached";
  EXPECT_TRUE(TrayShowsNotReady());
}

TEST_F(SupervisorTest, AttachedPollsEveryCycleASilentSkypeIsLostAndAReturningSkypeIsAttachedAgain) {
  StartProgram();
  ASSERT_TRUE(WaitUntil(TrayShowsNotReady, 5s));

  // Device message 0: the handset is ready, and the search starts on the next cycle instead of
  // the seventh.
  const Clock::time_point plugged = Clock::now();
  handset.Plug();
  ASSERT_TRUE(peer.WaitForDiscovers(1, kCycle + kCycleSlack)) << "device message 0 starts the search";
  EXPECT_LT(peer.Discovers()[0].at - plugged, kCycle + kCycleSlack);

  // The peer answers the discover: attached. One poll every cycle, each answered with a call list,
  // and the tray turns ready.
  ASSERT_TRUE(WaitForPolls(3, 4 * kCycle)) << "no poll while attached";
  ASSERT_TRUE(WaitUntil(TrayShowsReady, kCycle)) << "attached with the handset ready shows the ready image: " << DescribeTrayIcon();
  {
    const std::vector<std::string> texts = CommandTexts();
    const std::vector<std::string> expected = {"FOCUS/6",        "SET AUDIO_IN /14",       "SET AUDIO_OUT /15",
                                               "SET RINGER /12", "SEARCH ACTIVECALLS/19", "SEARCH ACTIVECALLS/19",
                                               "SEARCH ACTIVECALLS/19"};
    ASSERT_GE(texts.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 7), expected);
    ExpectOneCycleApart(PollTimes(), "poll");
    EXPECT_EQ(peer.Discovers().size(), 1u) << "no search while attached";
  }

  // Silent: the polls go unanswered. The sixth cycle without a call list still polls, then
  // declares the link lost; the next cycle polls no more and searches again.
  const std::size_t discoversBefore = peer.Discovers().size();
  peer.SetSilent(true);
  ASSERT_TRUE(peer.WaitForDiscovers(discoversBefore + 2, 10 * kCycle)) << "the lost link was not searched for";
  {
    const std::optional<Clock::time_point> answered = LastCallListReply();
    ASSERT_TRUE(answered.has_value());
    std::vector<Clock::time_point> unanswered;
    for (const Clock::time_point at : PollTimes())
      if (at > *answered) unanswered.push_back(at);
    ASSERT_EQ(unanswered.size(), 6u) << "polls after the last call list";
    ExpectOneCycleApart(unanswered, "unanswered poll");
    const std::vector<Clock::time_point> discovers = DiscoverTimes();
    const Clock::time_point rediscover = discovers[discoversBefore];
    EXPECT_GT(rediscover, unanswered.back()) << "the lost cycle polls before it declares the loss";
    ExpectOneCycleApart({unanswered.back(), rediscover, discovers[discoversBefore + 1]}, "search after the loss");
  }
  EXPECT_TRUE(TrayShowsNotReady()) << "a lost link shows the not-ready image: " << DescribeTrayIcon();

  // Skype ends and comes back with a new window and its "API available" broadcast: the program
  // searches at once, attaches to the new window and is ready again on the next cycle.
  const skype_peer::Hwnd oldWindow = peer.Window();
  peer.Die();
  peer.SetSilent(false);
  peer.ClearLogs();
  peer.Restart(true);
  ASSERT_NE(peer.Window(), oldWindow);
  ASSERT_TRUE(WaitForPolls(1, 2 * kCycle + kCycleSlack)) << "the program did not attach to the new window";
  ASSERT_TRUE(WaitUntil(TrayShowsReady, kCycle)) << "attached again with the handset ready: " << DescribeTrayIcon();
  {
    const std::vector<std::string> texts = CommandTexts();
    const std::vector<std::string> expected = {"FOCUS/6", "SET AUDIO_IN /14", "SET AUDIO_OUT /15", "SET RINGER /12",
                                               "SEARCH ACTIVECALLS/19"};
    ASSERT_GE(texts.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 5), expected);
    ASSERT_FALSE(peer.Discovers().empty()) << "the API-available broadcast starts a search";
    EXPECT_LT(peer.Discovers()[0].at, peer.Commands()[0].at);
  }
  // Attached again, the poll goes on every cycle.
  ASSERT_TRUE(WaitForPolls(2, kCycle + kCycleSlack));
  ExpectOneCycleApart(PollTimes(), "poll after the return");
  EXPECT_TRUE(TrayShowsReady());
}

}  // namespace
}  // namespace e2e
