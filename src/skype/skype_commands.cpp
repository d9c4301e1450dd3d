#include "skype/skype_commands.h"

#include <algorithm>

#include "skype/utf8_encoder.h"

namespace kprt5 {

PlainCommandPayload BuildPlainCommandPayload(std::string_view text) {
  PlainCommandPayload payload;
  const std::size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  const std::size_t length = std::min(text.size(), kMaxPlainCommandLength);
  std::copy_n(text.data(), length, payload.text.data());
  payload.text[length] = '\0';
  payload.cbData = static_cast<std::uint32_t>(length + 1);
  return payload;
}

std::string FormArgumentCommand(std::string_view prefix, std::string_view argument) {
  std::string command;
  command.reserve(kMaxArgumentCommandLength);
  command.append(prefix.substr(0, kMaxArgumentCommandLength));
  command.append(argument.substr(0, kMaxArgumentCommandLength - command.size()));
  return command;
}

ArgumentCommandPayload EncodeArgumentCommandPayload(std::span<const std::uint16_t> units) {
  ArgumentCommandPayload payload;  // zero-filled
  const auto end = std::find(units.begin(), units.end(), std::uint16_t{0});
  const auto unitCount = static_cast<std::size_t>(end - units.begin());
  // A result of 0 after a cut leaves the bytes that fitted in the area; those are sent.
  EncodeUtf16ToUtf8(units.data(), unitCount, payload.text.data(), kCommandAreaSize - 1);
  const auto zero = std::find(payload.text.begin(), payload.text.end(), '\0');
  const auto length = static_cast<std::size_t>(zero - payload.text.begin());
  payload.cbData = static_cast<std::uint32_t>(length + 1);
  return payload;
}

namespace {

std::string CallStatusCommand(std::string_view callId, std::string_view status) {
  std::string command = "SET CALL ";
  command.append(callId);
  command.append(" STATUS ");
  command.append(status);
  return command;
}

}  // namespace

std::string BuildAnswerCommand(std::string_view callId) {
  return CallStatusCommand(callId, "INPROGRESS");
}

std::string BuildHangUpCommand(std::string_view callId) { return CallStatusCommand(callId, "FINISHED"); }

}  // namespace kprt5
