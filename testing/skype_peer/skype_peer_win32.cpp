#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "skype_peer/call_book.h"
#include "skype_peer/command_reply.h"
#include "skype_peer/copy_data_win32.h"
#include "skype_peer/printable_text.h"
#include "skype_peer/skype_peer.h"
#include "skype_peer/window_thread_win32.h"

namespace skype_peer {

namespace {

constexpr char kWindowClass[] = "SkypePeerApiWindow";
constexpr char kWindowTitle[] = "Skype peer";

HWND BroadcastTarget() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xFFFF)); }

std::string HandleText(HWND window) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%08lX",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

}  // namespace

std::string CommandRecord::Text() const {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    if (byte == 0) break;
    text += static_cast<char>(byte);
  }
  return text;
}

struct SkypePeer::Impl {
  const UINT discoverMessage = RegisterWindowMessageA("SkypeControlAPIDiscover");
  const UINT attachMessage = RegisterWindowMessageA("SkypeControlAPIAttach");

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  // Settings.
  std::optional<std::uint32_t> discoverAnswer = kAttachSuccess;
  ReplyTiming timing = ReplyTiming::Nested;
  std::intptr_t commandResult = 1;
  bool silent = false;
  milliseconds sendTimeout{5000};
  std::function<void(const std::string&)> trace;
  // State and logs.
  CallBook calls;
  HWND client = nullptr;
  std::vector<DiscoverRecord> discovers;
  std::vector<CommandRecord> commands;
  std::vector<SentRecord> sent;

  // A hang of the window thread: it waits here until the deadline or a wake.
  mutable std::mutex hangMutex;
  mutable std::condition_variable hangChanged;
  bool hanging = false;
  bool wakeRequested = false;
  std::uint64_t hangsStarted = 0;

  void HangHere(milliseconds duration) {
    std::unique_lock lock(hangMutex);
    hanging = true;
    wakeRequested = false;
    ++hangsStarted;
    hangChanged.notify_all();
    hangChanged.wait_for(lock, duration, [this] { return wakeRequested; });
    hanging = false;
    hangChanged.notify_all();
  }

  void WakeUp() {
    {
      const std::lock_guard lock(hangMutex);
      wakeRequested = true;
    }
    hangChanged.notify_all();
  }

  // The window's life. The window's own thread never takes lifeMutex: Die waits for that thread.
  std::recursive_mutex lifeMutex;
  std::unique_ptr<WindowThread> window;
  std::atomic<HWND> windowHandle{nullptr};

  void Open() {
    window = std::make_unique<WindowThread>(
        kWindowClass, kWindowTitle, [this](HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
          return OnMessage(self, message, wParam, lParam);
        });
    windowHandle = window->Window();
  }

  void Close() {
    window.reset();
    windowHandle = nullptr;
  }

  // Runs `task` on the peer's thread; false when the peer is dead.
  bool OnPeerThread(const std::function<void(HWND)>& task) {
    const std::lock_guard life(lifeMutex);
    return window != nullptr && window->Run(task);
  }

  void Trace(const std::string& line) {
    std::function<void(const std::string&)> sink;
    {
      const std::lock_guard lock(mutex);
      sink = trace;
    }
    if (sink) sink(line);
  }

  milliseconds Timeout() const {
    const std::lock_guard lock(mutex);
    return sendTimeout;
  }

  // Sends are logged (and traced) when they start: a scripted send may run nested inside a
  // pending one, and the log keeps the order in which the sends went out.
  std::size_t Start(SentRecord record, const std::string& line) {
    std::size_t index = 0;
    {
      const std::lock_guard lock(mutex);
      index = sent.size();
      sent.push_back(std::move(record));
    }
    Trace(line);
    return index;
  }

  void Finish(std::size_t index, const SendOutcome& outcome) {
    std::string what;
    {
      const std::lock_guard lock(mutex);
      if (index < sent.size()) {  // ClearLogs may have emptied the log meanwhile
        sent[index].sent = outcome.sent;
        sent[index].answer = outcome.answer;
        what = sent[index].kind == SentRecord::Kind::Attach
                   ? "attach status " + std::to_string(sent[index].status)
                   : "\"" + sent[index].text + "\"";
      }
    }
    changed.notify_all();
    if (!outcome.sent) Trace("-> not delivered: " + what);
  }

  std::optional<LRESULT> OnMessage(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == discoverMessage) {
      OnDiscover(self, reinterpret_cast<HWND>(wParam));
      return 1;
    }
    if (message == WM_COPYDATA) {
      return OnCopyData(self, reinterpret_cast<HWND>(wParam),
                        reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    return std::nullopt;  // our own "API available" broadcast among them
  }

  void OnDiscover(HWND self, HWND from) {
    std::optional<std::uint32_t> answer;
    ReplyTiming when = ReplyTiming::Nested;
    {
      const std::lock_guard lock(mutex);
      discovers.push_back({from, Clock::now()});
      client = from;
      if (!silent) answer = discoverAnswer;
      when = timing;
    }
    changed.notify_all();
    Trace("<- discover from " + HandleText(from));
    if (!answer) return;
    const std::uint32_t status = *answer;
    if (when == ReplyTiming::Nested) {
      SendAttachNow(self, from, status);
      return;
    }
    WindowThread::Current()->Post(
        [this, from, status](HWND peer) { SendAttachNow(peer, from, status); });
  }

  LRESULT OnCopyData(HWND self, HWND sender, const COPYDATASTRUCT* data) {
    CommandRecord record;
    record.sender = sender;
    record.at = Clock::now();
    record.recordNull = data == nullptr;
    if (data != nullptr) {
      record.cbData = data->cbData;
      record.dwData = data->dwData;
      record.lpDataNull = data->lpData == nullptr;
      if (data->lpData != nullptr && data->cbData > 0) {
        const auto* first = static_cast<const std::uint8_t*>(data->lpData);
        record.bytes.assign(first, first + data->cbData);
      }
    }
    const std::string text = record.Text();
    std::string line = "<- command from " + HandleText(sender) + ": \"" +
                       PrintableText(record.bytes) + "\" cbData " + std::to_string(record.cbData) +
                       " dwData " + std::to_string(record.dwData);
    if (record.recordNull) line += " (no record)";
    if (record.lpDataNull) line += " (lpData null)";

    std::vector<PeerMessage> answers;
    LRESULT result = 0;
    ReplyTiming when = ReplyTiming::Nested;
    {
      const std::lock_guard lock(mutex);
      commands.push_back(std::move(record));
      result = static_cast<LRESULT>(commandResult);
      when = timing;
      if (!silent) answers = AnswerCommand(text, calls);
    }
    changed.notify_all();
    Trace(line);
    if (answers.empty()) return result;
    if (when == ReplyTiming::Nested) {
      Deliver(self, sender, answers);
    } else {
      WindowThread::Current()->Post(
          [this, sender, answers](HWND peer) { Deliver(peer, sender, answers); });
    }
    return result;
  }

  void Deliver(HWND self, HWND target, const std::vector<PeerMessage>& messages) {
    for (const PeerMessage& message : messages) {
      SendText(self, target,
               message.kind == PeerMessage::Kind::Reply ? SentRecord::Kind::Reply
                                                        : SentRecord::Kind::Notification,
               message.text);
    }
  }

  bool SendText(HWND self, HWND target, SentRecord::Kind kind, const std::string& text) {
    const std::size_t index =
        Start({kind, target, text, 0, false, 0, Clock::now()},
              std::string(kind == SentRecord::Kind::Reply ? "-> reply to " : "-> notify ") +
                  HandleText(target) + ": \"" + text + "\"");
    const SendOutcome outcome = SendCopyDataText(target, self, text, Timeout());
    Finish(index, outcome);
    return outcome.Accepted();
  }

  bool SendAttachNow(HWND self, HWND target, std::uint32_t status) {
    const std::size_t index = Start(
        {SentRecord::Kind::Attach, target, {}, status, false, 0, Clock::now()},
        "-> attach " +
            (target == BroadcastTarget() ? std::string("broadcast") : "to " + HandleText(target)) +
            " status " + std::to_string(status));
    const SendOutcome outcome =
        SendWithTimeout(target, attachMessage, reinterpret_cast<WPARAM>(self),
                        static_cast<LPARAM>(status), Timeout());
    Finish(index, outcome);
    return outcome.sent;
  }

  template <typename Log, typename Done>
  bool WaitFor(const Log& log, const Done& done, milliseconds timeout) const {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return done(log); });
  }
};

SkypePeer::SkypePeer() : impl_(std::make_unique<Impl>()) {
  const std::lock_guard life(impl_->lifeMutex);
  impl_->Open();
}

SkypePeer::~SkypePeer() { Die(); }

Hwnd SkypePeer::Window() const { return impl_->windowHandle.load(); }
bool SkypePeer::Alive() const { return impl_->windowHandle.load() != nullptr; }
unsigned SkypePeer::DiscoverMessage() const { return impl_->discoverMessage; }
unsigned SkypePeer::AttachMessage() const { return impl_->attachMessage; }

void SkypePeer::SetDiscoverAnswer(std::optional<std::uint32_t> status) {
  const std::lock_guard lock(impl_->mutex);
  impl_->discoverAnswer = status;
}
void SkypePeer::SetReplyTiming(ReplyTiming timing) {
  const std::lock_guard lock(impl_->mutex);
  impl_->timing = timing;
}
void SkypePeer::SetCommandResult(std::intptr_t result) {
  const std::lock_guard lock(impl_->mutex);
  impl_->commandResult = result;
}
void SkypePeer::SetSilent(bool silent) {
  const std::lock_guard lock(impl_->mutex);
  impl_->silent = silent;
}
void SkypePeer::SetSendTimeout(milliseconds timeout) {
  const std::lock_guard lock(impl_->mutex);
  impl_->sendTimeout = timeout;
}
void SkypePeer::SetTrace(std::function<void(const std::string&)> trace) {
  const std::lock_guard lock(impl_->mutex);
  impl_->trace = std::move(trace);
}

std::vector<DiscoverRecord> SkypePeer::Discovers() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->discovers;
}
bool SkypePeer::WaitForDiscovers(std::size_t count, milliseconds timeout) const {
  return impl_->WaitFor(
      impl_->discovers, [count](const auto& log) { return log.size() >= count; }, timeout);
}
Hwnd SkypePeer::Client() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->client;
}

void SkypePeer::BroadcastApiAvailable() {
  impl_->OnPeerThread(
      [this](HWND self) { impl_->SendAttachNow(self, BroadcastTarget(), kAttachApiAvailable); });
}

bool SkypePeer::SendAttach(Hwnd client, std::uint32_t status) {
  {
    const std::lock_guard lock(impl_->mutex);
    impl_->client = client;
  }
  bool handled = false;
  impl_->OnPeerThread([&](HWND self) { handled = impl_->SendAttachNow(self, client, status); });
  return handled;
}

std::vector<CommandRecord> SkypePeer::Commands() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->commands;
}
bool SkypePeer::WaitForCommands(std::size_t count, milliseconds timeout) const {
  return impl_->WaitFor(
      impl_->commands, [count](const auto& log) { return log.size() >= count; }, timeout);
}
bool SkypePeer::WaitForCommands(const std::function<bool(const std::vector<CommandRecord>&)>& done,
                                milliseconds timeout) const {
  return impl_->WaitFor(impl_->commands, done, timeout);
}
std::vector<SentRecord> SkypePeer::Sent() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->sent;
}
bool SkypePeer::WaitForSent(const std::function<bool(const std::vector<SentRecord>&)>& done,
                            milliseconds timeout) const {
  return impl_->WaitFor(impl_->sent, done, timeout);
}
void SkypePeer::ClearLogs() {
  const std::lock_guard lock(impl_->mutex);
  impl_->discovers.clear();
  impl_->commands.clear();
  impl_->sent.clear();
}

bool SkypePeer::AddIncomingCall(std::string_view id) {
  std::optional<std::string> notification;
  {
    const std::lock_guard lock(impl_->mutex);
    if (!impl_->calls.Add(id, CallDirection::Incoming)) return false;
    notification = impl_->calls.StatusNotification(id);
  }
  Notify(*notification);
  return true;
}

bool SkypePeer::AddOutgoingCall(std::string_view id) {
  std::optional<std::string> notification;
  {
    const std::lock_guard lock(impl_->mutex);
    if (!impl_->calls.Add(id, CallDirection::Outgoing)) return false;
    notification = impl_->calls.StatusNotification(id);
  }
  Notify(*notification);
  return true;
}

bool SkypePeer::SetCallStatus(std::string_view id, std::string_view status) {
  std::optional<std::string> notification;
  {
    const std::lock_guard lock(impl_->mutex);
    if (!impl_->calls.SetStatus(id, status)) return false;
    notification = impl_->calls.StatusNotification(id);
  }
  Notify(*notification);
  return true;
}

std::vector<std::string> SkypePeer::ActiveCalls() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->calls.ActiveIds();
}

std::optional<std::string> SkypePeer::CallStatus(std::string_view id) const {
  const std::lock_guard lock(impl_->mutex);
  const Call* call = impl_->calls.Find(id);
  if (call == nullptr) return std::nullopt;
  return call->status;
}

bool SkypePeer::Notify(std::string_view text) { return NotifyTo(Client(), text); }

bool SkypePeer::NotifyTo(Hwnd client, std::string_view text) {
  bool accepted = false;
  const bool alive = impl_->OnPeerThread([&](HWND self) {
    accepted = impl_->SendText(self, client, SentRecord::Kind::Notification, std::string(text));
  });
  return alive && accepted;
}

bool SkypePeer::NotifyRaw(std::span<const std::uint8_t> bytes, std::uint32_t cbData,
                          bool lpDataNull, std::uintptr_t dwData) {
  const HWND target = Client();
  bool handled = false;
  impl_->OnPeerThread([&](HWND self) {
    const std::string shown =
        PrintableText(bytes.first(std::min<std::size_t>(bytes.size(), cbData)));
    const std::size_t index =
        impl_->Start({SentRecord::Kind::RawNotification, target, shown, 0, false, 0, Clock::now()},
                     "-> raw notify " + HandleText(target) + ": \"" + shown + "\" cbData " +
                         std::to_string(cbData) + " dwData " + std::to_string(dwData) +
                         (lpDataNull ? " (lpData null)" : ""));
    const SendOutcome outcome =
        SendCopyDataRaw(target, self, bytes, cbData, lpDataNull, dwData, impl_->Timeout());
    impl_->Finish(index, outcome);
    handled = outcome.sent;
  });
  return handled;
}

void SkypePeer::Hang(milliseconds duration) {
  std::uint64_t started = 0;
  {
    const std::lock_guard lock(impl_->hangMutex);
    started = impl_->hangsStarted;
  }
  {
    const std::lock_guard life(impl_->lifeMutex);
    if (impl_->window == nullptr) return;
    impl_->window->Post([this, duration](HWND) { impl_->HangHere(duration); });
  }
  impl_->Trace("peer hangs for " + std::to_string(duration.count()) + " ms");
  std::unique_lock lock(impl_->hangMutex);
  impl_->hangChanged.wait_for(lock, duration, [this, started] { return impl_->hangsStarted > started; });
}

void SkypePeer::Wake() { impl_->WakeUp(); }

bool SkypePeer::Hanging() const {
  const std::lock_guard lock(impl_->hangMutex);
  return impl_->hanging;
}

void SkypePeer::Die() {
  impl_->WakeUp();  // a hung window thread could not destroy its window
  const std::lock_guard life(impl_->lifeMutex);
  if (impl_->window == nullptr) return;
  impl_->Close();
  impl_->Trace("peer window destroyed");
}

void SkypePeer::Restart(bool broadcastApiAvailable) {
  {
    const std::lock_guard life(impl_->lifeMutex);
    impl_->Close();
    impl_->Open();
  }
  impl_->Trace("peer window " + HandleText(impl_->windowHandle.load()) + " opened");
  if (broadcastApiAvailable) BroadcastApiAvailable();
}

}  // namespace skype_peer
