// The Skype peer's call table and its answers to commands: what the whole-program tests rely on
// when they read "CALLS " lists and call notifications from the double.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skype_peer/call_book.h"
#include "skype_peer/command_reply.h"

namespace skype_peer {
namespace {

using Kind = PeerMessage::Kind;

TEST(SkypePeerCallBook, ActiveCallsReplyListsActiveIdsInOrderJoinedByCommaBlank) {
  CallBook book;
  EXPECT_EQ(book.ActiveCallsReply(), "CALLS ");
  ASSERT_TRUE(book.Add("12", CallDirection::Incoming));
  EXPECT_EQ(book.ActiveCallsReply(), "CALLS 12");
  ASSERT_TRUE(book.Add("13", CallDirection::Incoming));
  ASSERT_TRUE(book.Add("7", CallDirection::Outgoing));
  EXPECT_EQ(book.ActiveCallsReply(), "CALLS 12, 13, 7");
  ASSERT_TRUE(book.SetStatus("13", "MISSED"));
  EXPECT_EQ(book.ActiveCallsReply(), "CALLS 12, 7");
  ASSERT_TRUE(book.SetStatus("12", "FINISHED"));
  ASSERT_TRUE(book.SetStatus("7", "REFUSED"));
  EXPECT_EQ(book.ActiveCallsReply(), "CALLS ");
}

TEST(SkypePeerCallBook, EveryEndStatusLeavesTheActiveListOthersKeepTheCall) {
  struct Case {
    const char* status;
    bool ends;
  };
  const Case cases[] = {{"FINISHED", true},    {"MISSED", true},   {"REFUSED", true},
                        {"BUSY", true},        {"FAILED", true},   {"CANCELLED", true},
                        {"INPROGRESS", false}, {"ROUTING", false}, {"RINGING", false},
                        {"ONHOLD", false},     {"FINISH", false},  {"WEIRDSTATE", false}};
  for (const Case& c : cases) {
    CallBook book;
    ASSERT_TRUE(book.Add("12", CallDirection::Incoming));
    ASSERT_TRUE(book.SetStatus("12", c.status)) << c.status;
    EXPECT_EQ(book.ActiveIds().empty(), c.ends) << c.status;
    EXPECT_EQ(book.StatusNotification("12"), std::string("CALL 12 STATUS ") + c.status);
  }
}

TEST(SkypePeerCallBook, AddStartsByDirectionAndRefusesBadOrActiveIds) {
  CallBook book;
  ASSERT_TRUE(book.Add("12", CallDirection::Incoming));
  ASSERT_TRUE(book.Add("20", CallDirection::Outgoing));
  EXPECT_EQ(book.Find("12")->status, "RINGING");
  EXPECT_EQ(book.Find("20")->status, "ROUTING");

  EXPECT_FALSE(book.Add("12", CallDirection::Outgoing)) << "id still active";
  for (const char* bad : {"", "1 2", "1,2", "1\n"}) {
    EXPECT_FALSE(book.Add(bad, CallDirection::Incoming)) << '"' << bad << '"';
  }
  EXPECT_FALSE(book.SetStatus("99", "FINISHED")) << "unknown id";
  EXPECT_FALSE(book.SetStatus("12", "IN PROGRESS")) << "a status is one word";
  EXPECT_FALSE(book.StatusNotification("99").has_value());

  // An ended id may ring again; it then goes to the end of the list.
  ASSERT_TRUE(book.SetStatus("12", "FINISHED"));
  ASSERT_TRUE(book.Add("12", CallDirection::Incoming));
  EXPECT_EQ(book.ActiveCallsReply(), "CALLS 20, 12");
}

// A book with incoming 12 (RINGING), 14 (INPROGRESS), outgoing 20 (ROUTING), ended 30.
class SkypePeerAnswer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(book.Add("12", CallDirection::Incoming));
    ASSERT_TRUE(book.Add("14", CallDirection::Incoming));
    ASSERT_TRUE(book.SetStatus("14", "INPROGRESS"));
    ASSERT_TRUE(book.Add("20", CallDirection::Outgoing));
    ASSERT_TRUE(book.Add("30", CallDirection::Incoming));
    ASSERT_TRUE(book.SetStatus("30", "FINISHED"));
  }
  CallBook book;
};

TEST_F(SkypePeerAnswer, CommandsGetSkypesRepliesAndNotifications) {
  struct Case {
    const char* command;
    std::vector<PeerMessage> expected;
  };
  const auto reply = [](const char* t) { return PeerMessage{Kind::Reply, t}; };
  const auto note = [](const char* t) { return PeerMessage{Kind::Notification, t}; };
  const Case cases[] = {
      {"SEARCH ACTIVECALLS", {reply("CALLS 12, 14, 20")}},
      {"#7 SEARCH ACTIVECALLS", {reply("#7 CALLS 12, 14, 20")}},
      {"FOCUS", {}},
      {"PING", {reply("PONG")}},
      {"PROTOCOL 5", {reply("PROTOCOL 5")}},
      {"PROTOCOL 99", {reply("PROTOCOL 8")}},
      {"PROTOCOL x", {reply("ERROR 2 Unknown command")}},
      {"SET AUDIO_IN USB Audio Device", {reply("AUDIO_IN USB Audio Device")}},
      {"SET AUDIO_OUT  two  blanks ", {reply("AUDIO_OUT  two  blanks ")}},
      {"SET RINGER \xC3\xA9", {reply("RINGER \xC3\xA9")}},
      {"SET AUDIO_IN ", {reply("AUDIO_IN ")}},
      {"SET AUDIO_IN", {reply("ERROR 2 Unknown command")}},
      {"GET CALL 30 STATUS", {reply("CALL 30 STATUS FINISHED")}},
      {"GET CALL 99 STATUS", {reply("ERROR 11 Invalid call id")}},
      {"SET CALL 99 STATUS FINISHED", {reply("ERROR 11 Invalid call id")}},
      {"SET CALL 30 STATUS INPROGRESS", {reply("ERROR 24 Call is not active")}},
      {"SET CALL 20 STATUS INPROGRESS", {reply("ERROR 24 Cannot change call status")}},
      {"SET CALL 12 STATUS RINGINGX", {reply("ERROR 21 Unknown or disallowed call status")}},
      {"SET CALL 12 STATUS INPROGRESS", {note("CALL 12 STATUS INPROGRESS")}},
      {"SET CALL 14 STATUS INPROGRESS", {reply("CALL 14 STATUS INPROGRESS")}},
      {"#3 SET CALL 14 STATUS FINISHED",
       {reply("#3 CALL 14 STATUS FINISHED"), note("CALL 14 STATUS FINISHED")}},
      {"ALTER CALL 12 ANSWER", {reply("ALTER CALL 12 ANSWER"), note("CALL 12 STATUS INPROGRESS")}},
      {"ALTER CALL 20 END HANGUP",
       {reply("ALTER CALL 20 END HANGUP"), note("CALL 20 STATUS FINISHED")}},
      {"ALTER CALL 99 HANGUP", {reply("ERROR 11 Invalid call id")}},
      {"SET CALL 12 STATUS", {reply("ERROR 2 Unknown command")}},
      {"SET CALL  STATUS FINISHED", {reply("ERROR 2 Unknown command")}},
      {"", {reply("ERROR 2 Unknown command")}},
      {"#5", {reply("ERROR 2 Unknown command")}},
      {"search activecalls", {reply("ERROR 2 Unknown command")}},
  };
  for (const Case& c : cases) {
    CallBook fresh = book;
    EXPECT_EQ(AnswerCommand(c.command, fresh), c.expected) << '"' << c.command << '"';
  }
}

TEST_F(SkypePeerAnswer, AnsweringAndHangingUpMoveTheCallBook) {
  AnswerCommand("SET CALL 12 STATUS INPROGRESS", book);
  EXPECT_EQ(book.Find("12")->status, "INPROGRESS");
  AnswerCommand("SET CALL 12 STATUS FINISHED", book);
  const std::vector<PeerMessage> list{{Kind::Reply, "CALLS 14, 20"}};
  EXPECT_EQ(AnswerCommand("SEARCH ACTIVECALLS", book), list);
  // A refused change leaves the book alone.
  AnswerCommand("SET CALL 20 STATUS INPROGRESS", book);
  EXPECT_EQ(book.Find("20")->status, "ROUTING");
}

}  // namespace
}  // namespace skype_peer
