#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "call_book.h"

namespace skype_peer {

// What Skype sends back for one command: replies (carrying the command's "#<n> " prefix, if any)
// and notifications (never prefixed), in the order they go out.
struct PeerMessage {
  enum class Kind { Reply, Notification };
  Kind kind = Kind::Reply;
  std::string text;

  friend bool operator==(const PeerMessage&, const PeerMessage&) = default;
};

// Answers one command text as Skype does and moves the calls it names. Unknown commands get
// "ERROR 2 Unknown command"; "FOCUS" gets nothing. A call's status change made through an
// unprefixed command goes out once, as the notification (which is also the reply).
std::vector<PeerMessage> AnswerCommand(std::string_view command, CallBook& calls);

}  // namespace skype_peer
