#include "call_book.h"

#include <algorithm>
#include <array>

namespace skype_peer {

namespace {

Call* FindIn(std::vector<Call>& calls, std::string_view id) {
  auto found = std::find_if(calls.begin(), calls.end(), [id](const Call& c) { return c.id == id; });
  return found == calls.end() ? nullptr : &*found;
}

bool IsPlainWord(std::string_view text) {
  if (text.empty()) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte != 0x7F && c != ',';
  });
}

}  // namespace

bool CallBook::IsEndStatus(std::string_view status) {
  static constexpr std::array<std::string_view, 6> kEnds{"FINISHED", "MISSED", "REFUSED",
                                                         "BUSY",     "FAILED", "CANCELLED"};
  return std::find(kEnds.begin(), kEnds.end(), status) != kEnds.end();
}

bool CallBook::IsValidId(std::string_view id) { return IsPlainWord(id); }

bool CallBook::Add(std::string_view id, CallDirection direction) {
  if (!IsValidId(id)) return false;
  if (const Call* known = FindIn(calls_, id)) {
    if (!IsEndStatus(known->status)) return false;
    std::erase_if(calls_, [id](const Call& c) { return c.id == id; });
  }
  calls_.push_back(Call{std::string(id),
                        direction == CallDirection::Incoming ? "RINGING" : "ROUTING", direction});
  return true;
}

bool CallBook::SetStatus(std::string_view id, std::string_view status) {
  Call* call = FindIn(calls_, id);
  if (call == nullptr || !IsPlainWord(status)) return false;
  call->status = std::string(status);
  return true;
}

const Call* CallBook::Find(std::string_view id) const {
  auto found =
      std::find_if(calls_.begin(), calls_.end(), [id](const Call& c) { return c.id == id; });
  return found == calls_.end() ? nullptr : &*found;
}

std::vector<std::string> CallBook::ActiveIds() const {
  std::vector<std::string> ids;
  for (const Call& call : calls_) {
    if (!IsEndStatus(call.status)) ids.push_back(call.id);
  }
  return ids;
}

std::string CallBook::ActiveCallsReply() const {
  std::string reply = "CALLS ";
  bool first = true;
  for (const std::string& id : ActiveIds()) {
    if (!first) reply += ", ";
    reply += id;
    first = false;
  }
  return reply;
}

std::optional<std::string> CallBook::StatusNotification(std::string_view id) const {
  const Call* call = Find(id);
  if (call == nullptr) return std::nullopt;
  return "CALL " + call->id + " STATUS " + call->status;
}

}  // namespace skype_peer
