// The Skype peer against a small client window on the test thread, as the program's GUI thread
// talks to Skype: discover and attach, command log, replies and their timing, death and return.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "skype_peer/skype_peer.h"

namespace skype_peer {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 5000ms;

const UINT kDiscover = RegisterWindowMessageA("SkypeControlAPIDiscover");
const UINT kAttach = RegisterWindowMessageA("SkypeControlAPIAttach");

// What the client window received.
struct Received {
  HWND from = nullptr;  // wParam
  std::vector<std::uint8_t> bytes;
  DWORD cbData = 0;
  ULONG_PTR dwData = 0;
  bool lpDataNull = false;
  bool duringSend = false;  // arrived while the client's own send was still waiting
  std::string Text() const { return std::string(bytes.begin(), bytes.end()).c_str(); }
};

struct Attach {
  HWND from = nullptr;
  LPARAM status = 0;
  bool duringSend = false;
};

// A hidden top-level window on the test thread; its sends block the thread, and messages sent
// to it meanwhile are handled nested, as in the program.
class TestClient {
 public:
  TestClient() {
    static const bool registered = [] {
      WNDCLASSEXA windowClass{};
      windowClass.cbSize = sizeof(windowClass);
      windowClass.lpfnWndProc = &TestClient::Procedure;
      windowClass.hInstance = GetModuleHandleA(nullptr);
      windowClass.lpszClassName = "SkypePeerTestClient";
      return RegisterClassExA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    window = CreateWindowExA(0, "SkypePeerTestClient", "client", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, GetModuleHandleA(nullptr), this);
    EXPECT_NE(window, nullptr);
  }
  ~TestClient() { DestroyWindow(window); }
  TestClient(const TestClient&) = delete;
  TestClient& operator=(const TestClient&) = delete;

  void Discover() {
    inSend_ = true;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, kDiscover, reinterpret_cast<WPARAM>(window), 0,
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &ignored);
    inSend_ = false;
  }

  void SendDiscoverTo(HWND peer) {
    inSend_ = true;
    SendMessageA(peer, kDiscover, reinterpret_cast<WPARAM>(window), 0);
    inSend_ = false;
  }

  LRESULT SendRecord(HWND peer, const COPYDATASTRUCT* record) {
    inSend_ = true;
    const LRESULT result = SendMessageA(peer, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                                        reinterpret_cast<LPARAM>(record));
    inSend_ = false;
    return result;
  }

  LRESULT Send(HWND peer, const std::string& text) {
    COPYDATASTRUCT record{0, static_cast<DWORD>(text.size() + 1), const_cast<char*>(text.c_str())};
    return SendRecord(peer, &record);
  }

  // Handles this thread's messages until the condition holds or the time is up.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kWait) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left <= 0ms) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
      MSG message{};
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    return true;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Received& r : received) texts.push_back(r.Text());
    return texts;
  }

  HWND window = nullptr;
  std::vector<Received> received;
  std::vector<Attach> attaches;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestClient*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_COPYDATA) {
      const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      Received r;
      r.from = reinterpret_cast<HWND>(wParam);
      r.cbData = record->cbData;
      r.dwData = record->dwData;
      r.lpDataNull = record->lpData == nullptr;
      if (record->lpData != nullptr) {
        const auto* first = static_cast<const std::uint8_t*>(record->lpData);
        r.bytes.assign(first, first + record->cbData);
      }
      r.duringSend = self->inSend_;
      self->received.push_back(r);
      return 1;
    }
    if (self != nullptr && message == kAttach) {
      self->attaches.push_back({reinterpret_cast<HWND>(wParam), lParam, self->inSend_});
      return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  bool inSend_ = false;
};

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

class SkypePeerLink : public ::testing::Test {
 protected:
  HWND Peer() const { return peer.Window(); }
  // Discovers and checks that the peer attached the client.
  void AttachClient() {
    client.Discover();
    ASSERT_TRUE(client.PumpUntil([&] { return !client.attaches.empty(); }));
    ASSERT_EQ(client.attaches.back().status, 0);
    client.attaches.clear();
  }

  SkypePeer peer;
  TestClient client;
};

TEST_F(SkypePeerLink, RegistersTheSameMessagesAsAnyClient) {
  EXPECT_EQ(peer.DiscoverMessage(), kDiscover);
  EXPECT_EQ(peer.AttachMessage(), kAttach);
  EXPECT_NE(kDiscover, 0u);
  // A hidden top-level window, not a message-only one: broadcasts must reach it.
  EXPECT_EQ(GetAncestor(Peer(), GA_PARENT), GetDesktopWindow());
  EXPECT_FALSE(IsWindowVisible(Peer()));
}

TEST_F(SkypePeerLink, DiscoverIsAnsweredWithTheScriptedStatusBeforeTheBroadcastReturns) {
  struct Case {
    std::optional<std::uint32_t> answer;
    bool silent;
  };
  const Case cases[] = {{0, false}, {1, false}, {2, false}, {3, false}, {std::nullopt, false},
                        {0, true}};
  std::size_t discovers = 0;
  for (const Case& c : cases) {
    peer.SetDiscoverAnswer(c.answer);
    peer.SetSilent(c.silent);
    client.attaches.clear();
    client.Discover();
    ++discovers;
    const std::string label = c.answer ? std::to_string(*c.answer) : "none";
    if (c.answer && !c.silent) {
      ASSERT_EQ(client.attaches.size(), 1u) << label;
      EXPECT_EQ(client.attaches[0].from, Peer());
      EXPECT_EQ(client.attaches[0].status, static_cast<LPARAM>(*c.answer));
      EXPECT_TRUE(client.attaches[0].duringSend);
    } else {
      EXPECT_TRUE(client.attaches.empty()) << label << (c.silent ? " silent" : "");
    }
    // Every discover is counted with its client, answered or not.
    const auto log = peer.Discovers();
    ASSERT_EQ(log.size(), discovers);
    EXPECT_EQ(log.back().client, client.window);
    EXPECT_EQ(peer.Client(), client.window);
  }
  const auto log = peer.Discovers();
  for (std::size_t i = 1; i < log.size(); ++i) {
    EXPECT_LE(log[i - 1].at, log[i].at);
  }
}

TEST_F(SkypePeerLink, ActiveCallsAreListedAsSkypeListsThem) {
  AttachClient();
  ASSERT_EQ(client.Send(Peer(), "SEARCH ACTIVECALLS"), 1);
  ASSERT_EQ(client.received.size(), 1u);
  const Received& empty = client.received[0];
  EXPECT_EQ(empty.bytes, Bytes(std::string_view("CALLS \0", 7)));
  EXPECT_EQ(empty.cbData, 7u);
  EXPECT_EQ(empty.dwData, 0u);
  EXPECT_EQ(empty.from, Peer());

  ASSERT_TRUE(peer.AddIncomingCall("12"));
  ASSERT_TRUE(peer.AddIncomingCall("13"));
  client.Send(Peer(), "SEARCH ACTIVECALLS");
  client.Send(Peer(), "SET CALL 12 STATUS INPROGRESS");
  client.Send(Peer(), "SET CALL 12 STATUS FINISHED");
  client.Send(Peer(), "SET CALL 77 STATUS FINISHED");
  client.Send(Peer(), "SEARCH ACTIVECALLS");
  const std::vector<std::string> expected{"CALLS ",
                                          "CALL 12 STATUS RINGING",
                                          "CALL 13 STATUS RINGING",
                                          "CALLS 12, 13",
                                          "CALL 12 STATUS INPROGRESS",
                                          "CALL 12 STATUS FINISHED",
                                          "ERROR 11 Invalid call id",
                                          "CALLS 13"};
  EXPECT_EQ(client.Texts(), expected);
  for (const Received& r : client.received) {
    EXPECT_EQ(r.cbData, r.Text().size() + 1) << r.Text();
    EXPECT_EQ(r.from, Peer());
  }
}

TEST_F(SkypePeerLink, ScriptedCallsNotifyEveryChange) {
  AttachClient();
  ASSERT_TRUE(peer.AddOutgoingCall("40"));
  ASSERT_TRUE(peer.SetCallStatus("40", "RINGING"));
  ASSERT_TRUE(peer.SetCallStatus("40", "REFUSED"));
  EXPECT_FALSE(peer.SetCallStatus("41", "RINGING"));
  EXPECT_TRUE(peer.Notify("CALL 12 CONF_ID 0"));
  const std::vector<std::string> expected{"CALL 40 STATUS ROUTING", "CALL 40 STATUS RINGING",
                                          "CALL 40 STATUS REFUSED", "CALL 12 CONF_ID 0"};
  EXPECT_EQ(client.Texts(), expected);
  EXPECT_TRUE(peer.ActiveCalls().empty());
  EXPECT_EQ(peer.CallStatus("40"), "REFUSED");
}

TEST_F(SkypePeerLink, NestedRepliesComeBeforeTheSendReturnsDeferredOnesAfter) {
  for (const ReplyTiming timing : {ReplyTiming::Nested, ReplyTiming::Deferred}) {
    const bool nested = timing == ReplyTiming::Nested;
    peer.SetReplyTiming(timing);
    client.received.clear();
    client.attaches.clear();

    // A discover sent to the peer alone: its send returns as soon as the handler has.
    client.SendDiscoverTo(Peer());
    EXPECT_EQ(client.attaches.size(), nested ? 1u : 0u);
    ASSERT_TRUE(client.PumpUntil([&] { return !client.attaches.empty(); }));
    EXPECT_EQ(client.attaches[0].duringSend, nested);
    EXPECT_EQ(client.attaches[0].status, 0);

    ASSERT_EQ(client.Send(Peer(), "PING"), 1);
    EXPECT_EQ(client.received.size(), nested ? 1u : 0u) << "right after the send returned";
    ASSERT_TRUE(client.PumpUntil([&] { return !client.received.empty(); }));
    EXPECT_EQ(client.received[0].Text(), "PONG");
    EXPECT_EQ(client.received[0].duringSend, nested);
  }
}

TEST_F(SkypePeerLink, TheLogHoldsEveryCommandByteForByteInOrder) {
  AttachClient();
  struct Case {
    std::string payload;  // what lpData points to
    DWORD cbData;
    ULONG_PTR dwData;
    bool lpDataNull;
  };
  const std::string huge(1 << 20, 'x');
  const Case cases[] = {
      {std::string("FOCUS\0", 6), 6, 0, false},
      {std::string("SET AUDIO_IN \0", 14), 14, 0, false},
      {"AB", 2, 0, false},                      // no zero byte
      {std::string("A\0B\0", 4), 4, 0, false},  // a zero inside
      {std::string("", 0), 0, 0, false},        // cbData 0
      {std::string("", 0), 0, 0, true},         // null lpData
      {std::string("PING\0", 5), 5, 7, false},  // dwData set
      {huge, static_cast<DWORD>(huge.size()), 0, false},
  };
  const auto before = Clock::now();
  for (const Case& c : cases) {
    COPYDATASTRUCT record{c.dwData, c.cbData,
                          c.lpDataNull ? nullptr : const_cast<char*>(c.payload.data())};
    EXPECT_EQ(client.SendRecord(Peer(), &record), 1);
  }
  // A message that carries no record at all is logged and survived.
  EXPECT_EQ(SendMessageA(Peer(), WM_COPYDATA, reinterpret_cast<WPARAM>(client.window), 0), 1);

  const auto log = peer.Commands();
  ASSERT_EQ(log.size(), std::size(cases) + 1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    const std::string_view sent(c.payload.data(), c.lpDataNull ? 0 : c.cbData);
    EXPECT_EQ(log[i].bytes, Bytes(sent));
    EXPECT_EQ(log[i].cbData, c.cbData);
    EXPECT_EQ(log[i].dwData, c.dwData);
    EXPECT_EQ(log[i].lpDataNull, c.lpDataNull);
    EXPECT_FALSE(log[i].recordNull);
    EXPECT_EQ(log[i].sender, client.window);
    EXPECT_GE(log[i].at, before);
    if (i > 0) {
      EXPECT_LE(log[i - 1].at, log[i].at);
    }
  }
  EXPECT_TRUE(log.back().recordNull);
  EXPECT_EQ(log[0].Text(), "FOCUS");
  EXPECT_EQ(log[3].Text(), "A");
  EXPECT_TRUE(peer.WaitForCommands(std::size(cases) + 1, 0ms));
  EXPECT_FALSE(peer.WaitForCommands(std::size(cases) + 2, 50ms));
}

TEST_F(SkypePeerLink, CommandResultAndSilenceAreScripted) {
  AttachClient();
  peer.SetCommandResult(0);
  EXPECT_EQ(client.Send(Peer(), "PING"), 0);
  peer.SetCommandResult(1);
  peer.SetSilent(true);
  EXPECT_EQ(client.Send(Peer(), "SEARCH ACTIVECALLS"), 1);
  EXPECT_EQ(client.Send(Peer(), "SET CALL 12 STATUS FINISHED"), 1);
  // Even a deferred answer would be in the queue by now; pumping a moment more shows none.
  EXPECT_FALSE(client.PumpUntil([&] { return client.received.size() > 1; }, 200ms));
  ASSERT_EQ(client.received.size(), 1u);
  EXPECT_EQ(client.received[0].Text(), "PONG") << "replies still go out when the send fails";
  EXPECT_EQ(peer.Commands().size(), 3u);
  peer.SetSilent(false);
  client.Send(Peer(), "SEARCH ACTIVECALLS");
  EXPECT_EQ(client.received.back().Text(), "CALLS ");
}

TEST_F(SkypePeerLink, DeathFailsTheClientsSendsAndRestartBringsANewWindow) {
  AttachClient();
  const HWND first = Peer();
  ASSERT_EQ(client.Send(first, "PING"), 1);
  peer.Die();
  EXPECT_FALSE(peer.Alive());
  EXPECT_EQ(peer.Window(), nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(client.Send(first, "PING"), 0);
  EXPECT_FALSE(peer.Notify("CALL 1 STATUS RINGING"));

  peer.Restart(true);
  const HWND second = Peer();
  ASSERT_TRUE(peer.Alive());
  EXPECT_NE(second, first);
  ASSERT_TRUE(client.PumpUntil([&] { return !client.attaches.empty(); }));
  EXPECT_EQ(client.attaches[0].from, second);
  EXPECT_EQ(client.attaches[0].status, 0x8001);

  client.attaches.clear();
  AttachClient();
  EXPECT_EQ(client.Send(second, "PING"), 1);
  EXPECT_EQ(client.received.back().from, second);
  EXPECT_EQ(peer.Commands().size(), 2u) << "the log outlives the window";
}

TEST_F(SkypePeerLink, MalformedNotificationsReachTheClientExactlyAsScripted) {
  AttachClient();
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t cbData;
    bool lpDataNull;
    std::uintptr_t dwData;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {Bytes("CALLS 12"), 8, false, 0, Bytes("CALLS 12")},  // no zero byte
      {Bytes("CALLS 12"), 0, false, 0, {}},                 // cbData 0
      {{}, 5, true, 0, {}},                                 // null lpData, cbData 5
      {Bytes("AB"), 4, false, 9, {'A', 'B', 0, 0}},         // cbData beyond the bytes
  };
  for (const Case& c : cases) {
    client.received.clear();
    EXPECT_TRUE(peer.NotifyRaw(c.bytes, c.cbData, c.lpDataNull, c.dwData));
    ASSERT_EQ(client.received.size(), 1u);
    EXPECT_EQ(client.received[0].bytes, c.expected);
    EXPECT_EQ(client.received[0].cbData, c.cbData);
    EXPECT_EQ(client.received[0].dwData, c.dwData);
    EXPECT_EQ(client.received[0].lpDataNull, c.lpDataNull);
    EXPECT_EQ(client.received[0].from, Peer());
  }
}

TEST_F(SkypePeerLink, AForeignWindowSendsAsItselfNotAsThePeer) {
  ForeignWindow stranger;
  client.received.clear();
  EXPECT_TRUE(stranger.Send(client.window, "CALLS 99"));
  ASSERT_EQ(client.received.size(), 1u);
  EXPECT_EQ(client.received[0].from, stranger.Window());
  EXPECT_NE(stranger.Window(), Peer());
  EXPECT_EQ(client.received[0].bytes, Bytes(std::string_view("CALLS 99\0", 9)));
}

TEST(SkypePeerTApplication, CountsCloseMessagesAndClosesOnlyWhenAsked) {
  TApplicationWindow application;
  ASSERT_EQ(FindWindowA("TApplication", nullptr), application.Window());
  PostMessageA(application.Window(), WM_CLOSE, 0, 0);
  PostMessageA(application.Window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(application.WaitForCloses(2, kWait));
  EXPECT_TRUE(application.IsOpen());
  application.SetClosesOnClose(true);
  PostMessageA(application.Window(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(application.WaitForCloses(3, kWait));
  ASSERT_TRUE(application.WaitForDestroyed(kWait));
  EXPECT_FALSE(application.IsOpen());
  EXPECT_EQ(FindWindowA("TApplication", nullptr), nullptr);
}

}  // namespace
}  // namespace skype_peer
