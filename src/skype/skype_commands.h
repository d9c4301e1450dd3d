#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kprt5 {

inline constexpr std::size_t kMaxPlainCommandLength = 127;
inline constexpr std::size_t kMaxArgumentCommandLength = 255;
inline constexpr std::size_t kCommandAreaSize = 256;

inline constexpr std::string_view kFocusCommand = "FOCUS";
inline constexpr std::string_view kSearchActiveCallsCommand = "SEARCH ACTIVECALLS";
inline constexpr std::string_view kAudioInPrefix = "SET AUDIO_IN ";
inline constexpr std::string_view kAudioOutPrefix = "SET AUDIO_OUT ";
inline constexpr std::string_view kRingerPrefix = "SET RINGER ";

// The bytes of one WM_COPYDATA command: `text` is lpData, `cbData` counts the text and its zero.
// dwData is always 0.
struct PlainCommandPayload {
  std::array<char, kMaxPlainCommandLength + 1> text{};
  std::uint32_t cbData = 0;
};

struct ArgumentCommandPayload {
  std::array<char, kCommandAreaSize> text{};
  std::uint32_t cbData = 0;
};

// Copies `text` up to its first zero byte, at most 127 characters, and terminates it.
PlainCommandPayload BuildPlainCommandPayload(std::string_view text);

// prefix followed directly by argument, cut to 255 characters. The Win32 side converts this text,
// through its zero, from the ANSI code page to UTF-16.
std::string FormArgumentCommand(std::string_view prefix, std::string_view argument);

// From the converted UTF-16 units (taken up to the first zero unit or the end of `units`): a
// zero-filled 256-byte area holding their UTF-8 form, at most 255 bytes, cut before the first
// character that does not fit; cbData is the text's length up to its first zero plus 1.
ArgumentCommandPayload EncodeArgumentCommandPayload(std::span<const std::uint16_t> units);

// "SET CALL " + id + " STATUS INPROGRESS" and "SET CALL " + id + " STATUS FINISHED".
std::string BuildAnswerCommand(std::string_view callId);
std::string BuildHangUpCommand(std::string_view callId);

}  // namespace kprt5
