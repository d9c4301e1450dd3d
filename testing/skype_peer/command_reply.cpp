#include "command_reply.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace skype_peer {

namespace {

constexpr unsigned kHighestProtocol = 8;

bool StartsWith(std::string_view text, std::string_view head) { return text.starts_with(head); }

// Splits "<id> <rest>" at the first blank; nullopt when there is no blank or the id is empty.
std::optional<std::pair<std::string_view, std::string_view>> SplitId(std::string_view text) {
  const auto blank = text.find(' ');
  if (blank == std::string_view::npos || blank == 0) return std::nullopt;
  return std::pair{text.substr(0, blank), text.substr(blank + 1)};
}

struct Move {
  std::optional<std::string> error;
  bool changed = false;
};

// The status changes a client may ask for; anything else is an error, as with Skype.
Move MoveCall(CallBook& calls, std::string_view id, std::string_view target) {
  const Call* call = calls.Find(id);
  if (call == nullptr) return {"ERROR 11 Invalid call id", false};
  if (CallBook::IsEndStatus(call->status)) return {"ERROR 24 Call is not active", false};
  if (call->status == target) return {std::nullopt, false};
  bool allowed = false;
  if (target == "INPROGRESS") {
    allowed = (call->status == "RINGING" && call->direction == CallDirection::Incoming) ||
              call->status == "ONHOLD" || call->status == "LOCALHOLD";
  } else if (target == "FINISHED") {
    allowed = true;
  } else if (target == "ONHOLD") {
    allowed = call->status == "INPROGRESS";
  } else {
    return {"ERROR 21 Unknown or disallowed call status", false};
  }
  if (!allowed) return {"ERROR 24 Cannot change call status", false};
  calls.SetStatus(id, target);
  return {std::nullopt, true};
}

class Answer {
 public:
  Answer(std::string prefix, CallBook& calls) : prefix_(std::move(prefix)), calls_(calls) {}

  std::vector<PeerMessage> Take() { return std::move(messages_); }

  void Reply(std::string_view text) {
    messages_.push_back({PeerMessage::Kind::Reply, prefix_ + std::string(text)});
  }
  void Notify(std::string text) {
    messages_.push_back({PeerMessage::Kind::Notification, std::move(text)});
  }

  // "SET CALL <id> STATUS <word>": the new state comes back.
  void SetCallStatus(std::string_view id, std::string_view target) {
    const Move move = MoveCall(calls_, id, target);
    if (move.error) return Reply(*move.error);
    const std::string state = *calls_.StatusNotification(id);
    if (move.changed && prefix_.empty()) return Notify(state);
    Reply(state);
    if (move.changed) Notify(state);
  }

  // "ALTER CALL <id> ANSWER|HANGUP|END HANGUP": the command is echoed, the change notified.
  void AlterCall(std::string_view body, std::string_view id, std::string_view target) {
    const Move move = MoveCall(calls_, id, target);
    if (move.error) return Reply(*move.error);
    Reply(body);
    if (move.changed) Notify(*calls_.StatusNotification(id));
  }

  void Body(std::string_view body) {
    if (body == "SEARCH ACTIVECALLS") return Reply(calls_.ActiveCallsReply());
    if (body == "PING") return Reply("PONG");
    if (body == "FOCUS") return;
    if (StartsWith(body, "PROTOCOL ")) return Protocol(body.substr(9));
    // "SET AUDIO_IN <name>" and its kin: the name is the rest of the line, blanks included.
    if (StartsWith(body, "SET ")) {
      const std::string_view setting = body.substr(4);
      for (std::string_view device : {"AUDIO_IN ", "AUDIO_OUT ", "RINGER "}) {
        if (StartsWith(setting, device)) return Reply(setting);
      }
    }
    if (StartsWith(body, "SET CALL ")) {
      if (const auto parts = SplitId(body.substr(9))) {
        if (StartsWith(parts->second, "STATUS ")) {
          return SetCallStatus(parts->first, parts->second.substr(7));
        }
      }
    }
    if (StartsWith(body, "GET CALL ")) {
      if (const auto parts = SplitId(body.substr(9)); parts && parts->second == "STATUS") {
        if (const auto state = calls_.StatusNotification(parts->first)) return Reply(*state);
        return Reply("ERROR 11 Invalid call id");
      }
    }
    if (StartsWith(body, "ALTER CALL ")) {
      if (const auto parts = SplitId(body.substr(11))) {
        if (parts->second == "ANSWER") return AlterCall(body, parts->first, "INPROGRESS");
        if (parts->second == "HANGUP" || parts->second == "END HANGUP") {
          return AlterCall(body, parts->first, "FINISHED");
        }
      }
    }
    Reply("ERROR 2 Unknown command");
  }

 private:
  void Protocol(std::string_view number) {
    unsigned asked = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), asked);
    if (error != std::errc() || end != number.data() + number.size() || number.empty()) {
      return Reply("ERROR 2 Unknown command");
    }
    Reply("PROTOCOL " + std::to_string(std::min(asked, kHighestProtocol)));
  }

  std::string prefix_;
  CallBook& calls_;
  std::vector<PeerMessage> messages_;
};

}  // namespace

std::vector<PeerMessage> AnswerCommand(std::string_view command, CallBook& calls) {
  std::string prefix;
  if (StartsWith(command, "#")) {
    const auto blank = command.find(' ');
    if (blank != std::string_view::npos) {
      prefix = std::string(command.substr(0, blank + 1));
      command.remove_prefix(blank + 1);
    }
  }
  Answer answer(std::move(prefix), calls);
  answer.Body(command);
  return answer.Take();
}

}  // namespace skype_peer
