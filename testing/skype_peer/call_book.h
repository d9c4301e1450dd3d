#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skype_peer {

// Who placed a call: an incoming call starts at RINGING, an outgoing one at ROUTING.
enum class CallDirection { Incoming, Outgoing };

struct Call {
  std::string id;
  std::string status;
  CallDirection direction = CallDirection::Incoming;
};

// The calls Skype knows about, in the order they were added. A call stays in the book after it
// ended (its last status can still be asked for), but it leaves the active list.
class CallBook {
 public:
  // True for FINISHED, MISSED, REFUSED, BUSY, FAILED and CANCELLED: the call is over.
  static bool IsEndStatus(std::string_view status);
  // A usable call id: not empty, no blank, comma or control character.
  static bool IsValidId(std::string_view id);

  // Adds a call with its first status (RINGING or ROUTING by direction). Refused (false) for an
  // invalid id or an id whose call is still active; an ended call with the same id is replaced.
  bool Add(std::string_view id, CallDirection direction);
  // Moves a known call to any status word (no blank in it). False for an unknown id or a bad word.
  bool SetStatus(std::string_view id, std::string_view status);

  const Call* Find(std::string_view id) const;
  std::vector<std::string> ActiveIds() const;
  // The reply to "SEARCH ACTIVECALLS": "CALLS " then the active ids joined by ", ".
  std::string ActiveCallsReply() const;
  // The notification of a call's status: "CALL <id> STATUS <status>"; nullopt for an unknown id.
  std::optional<std::string> StatusNotification(std::string_view id) const;

 private:
  std::vector<Call> calls_;
};

}  // namespace skype_peer
