// The handset wire frame: one fixed-size little-endian record that carries every library call, its
// reply, a monitor's greeting and the handset's events. Header-only and platform-free, so that both
// libraries, the virtual handset and the native unit tests share one codec.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kprt5::wire {

inline constexpr char kPipeName[] = "\\\\.\\pipe\\kprt5-virtual-handset";

inline constexpr std::uint32_t kMagic = 0x3148564Bu;  // the bytes "KVH1"
inline constexpr std::size_t kMaxArgs = 12;
inline constexpr std::size_t kMaxText = 255;

// Byte offsets of the fields.
inline constexpr std::size_t kOffsetMagic = 0;
inline constexpr std::size_t kOffsetKind = 4;
inline constexpr std::size_t kOffsetCode = 8;
inline constexpr std::size_t kOffsetArgCount = 12;
inline constexpr std::size_t kOffsetArgs = 16;
inline constexpr std::size_t kOffsetTextLength = kOffsetArgs + 4 * kMaxArgs;  // 64
inline constexpr std::size_t kOffsetText = kOffsetTextLength + 4;             // 68
inline constexpr std::size_t kFrameSize = kOffsetText + kMaxText + 1;         // 324

enum class FrameKind : std::uint32_t {
  Call = 1,   // library -> handset: code = function id
  Reply = 2,  // handset -> library: code = function id; args[0] = result, args[1] = value read
  Watch = 3,  // library -> handset on the watcher's connection: code = 1 or 11, the start call
  Event = 4,  // handset -> library on the watcher's connection: code = EventCode
};

enum class EventCode : std::uint32_t {
  DeviceMessage = 1,  // args: N (0..8), wParam, lParam
  Report = 2,         // args: wParam, lParam
};

// Function ids: the ZU_VAZ ordinals, and 101..103 for the three ROre functions.
enum class Function : std::uint32_t {
  HidStartMonitor = 1,
  HidStopMonitor = 3,
  HidOnDeviceChange = 4,
  HidStartKeyScan4x4 = 5,
  HidStopKeyScan = 6,
  HidBuzzerOn = 7,
  HidBuzzerOff = 8,
  HidWriteEeprom = 9,
  HidReadEeprom = 10,
  HidStartReportMonitor = 11,
  HidSetReport = 12,
  HidSetGpio = 13,
  HidSetScanKeyBuzzer = 14,
  HidSetBuzzerDuration = 15,
  HidSetKeyScanSpeed = 16,
  HidStartKeyScan4x5 = 17,
  HidStartKeyScan2x3 = 18,
  HidStartKeyScan2x2 = 19,
  VistaSetDefaultAudio = 101,
  VistaSetMicAGC = 102,
  VistaSetSpeakerVolumeLevelDB = 103,
};

struct FunctionInfo {
  Function function;
  std::string_view name;
  std::uint32_t argCount;  // the arguments carried on the wire (pointers are never sent)
  bool hasText;            // carries the device text
};

inline constexpr std::array<FunctionInfo, 21> kFunctions{{
    {Function::HidStartMonitor, "HidStartMonitor", 11, false},  // nine message numbers, vid, pid
    {Function::HidStopMonitor, "HidStopMonitor", 0, false},
    {Function::HidOnDeviceChange, "HidOnDeviceChange", 2, false},
    {Function::HidStartKeyScan4x4, "HidStartKeyScan4x4", 0, false},
    {Function::HidStopKeyScan, "HidStopKeyScan", 0, false},
    {Function::HidBuzzerOn, "HidBuzzerOn", 0, false},
    {Function::HidBuzzerOff, "HidBuzzerOff", 0, false},
    {Function::HidWriteEeprom, "HidWriteEeprom", 2, false},
    {Function::HidReadEeprom, "HidReadEeprom", 1, false},                  // address
    {Function::HidStartReportMonitor, "HidStartReportMonitor", 4, false},  // first, message, vid, pid
    {Function::HidSetReport, "HidSetReport", 4, false},
    {Function::HidSetGpio, "HidSetGpio", 2, false},
    {Function::HidSetScanKeyBuzzer, "HidSetScanKeyBuzzer", 1, false},
    {Function::HidSetBuzzerDuration, "HidSetBuzzerDuration", 1, false},
    {Function::HidSetKeyScanSpeed, "HidSetKeyScanSpeed", 1, false},
    {Function::HidStartKeyScan4x5, "HidStartKeyScan4x5", 0, false},
    {Function::HidStartKeyScan2x3, "HidStartKeyScan2x3", 0, false},
    {Function::HidStartKeyScan2x2, "HidStartKeyScan2x2", 1, false},
    {Function::VistaSetDefaultAudio, "VistaSetDefaultAudio", 3, true},  // mode, third, fourth
    {Function::VistaSetMicAGC, "VistaSetMicAGC", 2, true},              // mode, value
    {Function::VistaSetSpeakerVolumeLevelDB, "VistaSetSpeakerVolumeLevelDB", 2, true},  // mode, bits
}};

// The table row of a function id, or nullopt for an id that names no function.
constexpr std::optional<FunctionInfo> FindFunction(std::uint32_t id) {
  for (const FunctionInfo& info : kFunctions)
    if (static_cast<std::uint32_t>(info.function) == id) return info;
  return std::nullopt;
}

struct Frame {
  FrameKind kind = FrameKind::Call;
  std::uint32_t code = 0;
  std::uint32_t argCount = 0;
  std::array<std::uint32_t, kMaxArgs> args{};  // entries at and past argCount are zero after Decode
  std::string text;                            // at most kMaxText bytes, no zero byte

  std::uint32_t Arg(std::size_t index) const { return index < argCount ? args[index] : 0; }
  bool operator==(const Frame&) const = default;
};

using FrameBytes = std::array<std::uint8_t, kFrameSize>;

namespace detail {

inline void PutU32(FrameBytes& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
  return value;
}

}  // namespace detail

// A frame with too many arguments, an unknown kind, or a text that is too long or holds a zero byte
// is refused (nullopt); nothing is truncated silently.
inline std::optional<FrameBytes> Encode(const Frame& frame) {
  const auto kind = static_cast<std::uint32_t>(frame.kind);
  if (kind < 1 || kind > 4) return std::nullopt;
  if (frame.argCount > kMaxArgs || frame.text.size() > kMaxText) return std::nullopt;
  if (frame.text.find('\0') != std::string::npos) return std::nullopt;
  FrameBytes bytes{};
  detail::PutU32(bytes, kOffsetMagic, kMagic);
  detail::PutU32(bytes, kOffsetKind, kind);
  detail::PutU32(bytes, kOffsetCode, frame.code);
  detail::PutU32(bytes, kOffsetArgCount, frame.argCount);
  for (std::size_t i = 0; i < frame.argCount; ++i) detail::PutU32(bytes, kOffsetArgs + 4 * i, frame.args[i]);
  detail::PutU32(bytes, kOffsetTextLength, static_cast<std::uint32_t>(frame.text.size()));
  for (std::size_t i = 0; i < frame.text.size(); ++i)
    bytes[kOffsetText + i] = static_cast<std::uint8_t>(frame.text[i]);
  return bytes;
}

// Accepts exactly kFrameSize bytes with the magic, a known kind, at most kMaxArgs arguments and a
// text of at most kMaxText bytes without a zero byte inside its length; anything else is nullopt.
// Argument slots past the count and text bytes past the length are ignored.
inline std::optional<Frame> Decode(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kFrameSize) return std::nullopt;
  if (detail::GetU32(bytes, kOffsetMagic) != kMagic) return std::nullopt;
  const std::uint32_t kind = detail::GetU32(bytes, kOffsetKind);
  if (kind < 1 || kind > 4) return std::nullopt;
  const std::uint32_t argCount = detail::GetU32(bytes, kOffsetArgCount);
  if (argCount > kMaxArgs) return std::nullopt;
  const std::uint32_t textLength = detail::GetU32(bytes, kOffsetTextLength);
  if (textLength > kMaxText) return std::nullopt;
  Frame frame;
  frame.kind = static_cast<FrameKind>(kind);
  frame.code = detail::GetU32(bytes, kOffsetCode);
  frame.argCount = argCount;
  for (std::size_t i = 0; i < argCount; ++i) frame.args[i] = detail::GetU32(bytes, kOffsetArgs + 4 * i);
  frame.text.reserve(textLength);
  for (std::size_t i = 0; i < textLength; ++i) {
    const std::uint8_t byte = bytes[kOffsetText + i];
    if (byte == 0) return std::nullopt;
    frame.text.push_back(static_cast<char>(byte));
  }
  return frame;
}

// Convenience builders for the frames each side sends.
inline Frame MakeFrame(FrameKind kind, std::uint32_t code, std::initializer_list<std::uint32_t> args,
                       std::string_view text = {}) {
  Frame frame;
  frame.kind = kind;
  frame.code = code;
  for (std::uint32_t value : args) {
    if (frame.argCount == kMaxArgs) break;
    frame.args[frame.argCount++] = value;
  }
  frame.text = std::string(text.substr(0, kMaxText));
  return frame;
}

inline Frame MakeCall(Function function, std::initializer_list<std::uint32_t> args, std::string_view text = {}) {
  return MakeFrame(FrameKind::Call, static_cast<std::uint32_t>(function), args, text);
}

inline Frame MakeReply(std::uint32_t code, std::uint32_t result, std::uint32_t value = 0) {
  return MakeFrame(FrameKind::Reply, code, {result, value});
}

// A call is well formed when it names a function that travels as a call (the two monitor starts
// travel as Watch frames), has that function's argument count, and carries text only if it should.
inline bool IsWellFormedCall(const Frame& frame) {
  const std::optional<FunctionInfo> info = FindFunction(frame.code);
  if (!info || frame.argCount != info->argCount) return false;
  if (!info->hasText && !frame.text.empty()) return false;
  const bool isStart = info->function == Function::HidStartMonitor || info->function == Function::HidStartReportMonitor;
  return frame.kind == (isStart ? FrameKind::Watch : FrameKind::Call);
}

}  // namespace kprt5::wire
