#pragma once
// Skype's side of the desktop API, for tests and the demo: a hidden top-level window on a thread
// of its own that answers discover broadcasts, logs every command byte for byte, answers the
// commands as Skype does, runs calls through their states, and can go silent, die and come back.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "skype_peer/foreign_window.h"
#include "skype_peer/tapplication_window.h"
#include "skype_peer/window_handle.h"

namespace skype_peer {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Attach statuses carried in the attach message's lParam.
inline constexpr std::uint32_t kAttachSuccess = 0;
inline constexpr std::uint32_t kAttachPendingAuthorization = 1;
inline constexpr std::uint32_t kAttachRefused = 2;
inline constexpr std::uint32_t kAttachNotAvailable = 3;
inline constexpr std::uint32_t kAttachApiAvailable = 0x8001;

// Nested: replies are sent from inside the handler of the command, before the client's send
// returns. Deferred: they are sent after the handler has returned, from the peer's message loop.
enum class ReplyTiming { Nested, Deferred };

// One WM_COPYDATA the peer received.
struct CommandRecord {
  std::vector<std::uint8_t> bytes;  // all cbData bytes as received, zero bytes included
  std::uint32_t cbData = 0;
  std::uintptr_t dwData = 0;
  bool lpDataNull = false;  // lpData was null (bytes is then empty)
  bool recordNull = false;  // lParam held no COPYDATASTRUCT at all
  Hwnd sender = nullptr;    // wParam
  Clock::time_point at;
  // The bytes up to the first zero byte (all of them when there is none).
  std::string Text() const;
};

// One discover broadcast the peer received.
struct DiscoverRecord {
  Hwnd client = nullptr;  // wParam
  Clock::time_point at;
};

// One message the peer sent.
struct SentRecord {
  enum class Kind { Reply, Notification, Attach, RawNotification };
  Kind kind = Kind::Reply;
  Hwnd target = nullptr;     // HWND_BROADCAST for the "API available" broadcast
  std::string text;          // the text; for raw notifications its printable form; empty for attach
  std::uint32_t status = 0;  // the attach status (attach only)
  bool sent = false;         // the receiver handled it in time
  std::intptr_t answer = 0;  // the receiver's result
  Clock::time_point at;
};

class SkypePeer {
 public:
  // Registers both API messages and opens the window; it answers as soon as this returns.
  SkypePeer();
  ~SkypePeer();
  SkypePeer(const SkypePeer&) = delete;
  SkypePeer& operator=(const SkypePeer&) = delete;

  Hwnd Window() const;  // null while dead
  bool Alive() const;
  unsigned DiscoverMessage() const;
  unsigned AttachMessage() const;

  // --- settings (all take effect at once) ---
  // The status each discover is answered with; nullopt: no answer at all. Default 0 (attached).
  void SetDiscoverAnswer(std::optional<std::uint32_t> status);
  // Applies to command replies and to the attach answer of a discover. Default nested.
  void SetReplyTiming(ReplyTiming timing);
  // What the client's command send returns. Default 1; 0 makes every command fail.
  void SetCommandResult(std::intptr_t result);
  // Silent: commands and discovers are still logged, but nothing is answered or changed.
  void SetSilent(bool silent);
  // How long each send of the peer waits for the receiver. Default 5 s.
  void SetSendTimeout(milliseconds timeout);
  // Called with one line for every discover and command received and every message sent (on the
  // peer's thread; on the caller's for Die and Restart). Set it before the client starts.
  void SetTrace(std::function<void(const std::string&)> trace);

  // --- discover and attach ---
  std::vector<DiscoverRecord> Discovers() const;
  bool WaitForDiscovers(std::size_t count, milliseconds timeout) const;
  // The client: the window the last discover carried, or the last SendAttach target.
  Hwnd Client() const;
  // The attach message with status 0x8001 to HWND_BROADCAST, wParam the peer's window.
  void BroadcastApiAvailable();
  // The attach message to `client`; also makes it the client. True when the client handled it.
  bool SendAttach(Hwnd client, std::uint32_t status);

  // --- commands ---
  std::vector<CommandRecord> Commands() const;
  bool WaitForCommands(std::size_t count, milliseconds timeout) const;
  bool WaitForCommands(const std::function<bool(const std::vector<CommandRecord>&)>& done,
                       milliseconds timeout) const;
  std::vector<SentRecord> Sent() const;
  bool WaitForSent(const std::function<bool(const std::vector<SentRecord>&)>& done,
                   milliseconds timeout) const;
  // Forgets the logs of discovers, commands and sent messages.
  void ClearLogs();

  // --- calls (each change is notified to the client as "CALL <id> STATUS <word>") ---
  bool AddIncomingCall(std::string_view id);  // RINGING
  bool AddOutgoingCall(std::string_view id);  // ROUTING
  // Any status word; FINISHED, MISSED, REFUSED, BUSY, FAILED and CANCELLED end the call.
  bool SetCallStatus(std::string_view id, std::string_view status);
  std::vector<std::string> ActiveCalls() const;
  std::optional<std::string> CallStatus(std::string_view id) const;

  // --- notifications (sent even while silent) ---
  // Any text to the client, laid out as Skype does; true when the client accepted it.
  bool Notify(std::string_view text);
  bool NotifyTo(Hwnd client, std::string_view text);
  // A malformed WM_COPYDATA to the client: cbData as given (bytes beyond `bytes` are zeros),
  // lpData null if asked, any dwData. Returns whether the client handled it in time.
  bool NotifyRaw(std::span<const std::uint8_t> bytes, std::uint32_t cbData, bool lpDataNull,
                 std::uintptr_t dwData);

  // --- life ---
  // Hung: the peer's window thread stops handling messages for `duration` or until Wake, as a
  // Skype that no longer pumps. Returns once the thread is blocked. While it hangs, the calls that
  // run on the peer's thread (Notify, SendAttach, BroadcastApiAvailable, Restart) wait for it.
  void Hang(milliseconds duration);
  void Wake();
  bool Hanging() const;
  // Destroys the window: the client's sends to it fail from now on.
  void Die();
  // A new window (a new handle) with the same settings, calls and logs.
  void Restart(bool broadcastApiAvailable);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace skype_peer
