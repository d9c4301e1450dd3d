#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kprt5 {

// Whether a byte of the ANSI code page starts a double-byte character (IsDBCSLeadByte on Windows).
// A null predicate stands for a code page without double-byte characters.
using LeadBytePredicate = bool (*)(unsigned char byte);

// The thread locale under which device names come from the waveform devices (Japanese, Japan);
// every other locale, compared exactly, takes them from the mixer devices.
inline constexpr std::uint32_t kWaveformNameLocale = 1041;

// Size of the caller's name area: at most 255 bytes and the terminating zero.
inline constexpr std::size_t kNameAreaSize = 256;

// The marker a waveform device name must carry to be taken as the handset's.
inline constexpr std::string_view kUsbMarker = "USB";

bool UsesWaveformRule(std::uint32_t threadLocale);

// The byte offset of the first occurrence of `needle` in `text` that begins on a character
// boundary (never on the second byte of a double-byte character), or std::string_view::npos.
// The search distinguishes letter case. An empty needle is found at offset 0.
std::size_t FindOnCharacterBoundary(std::string_view text, std::string_view needle,
                                    LeadBytePredicate isLeadByte);

// The name a waveform device gives under the waveform rule, or nothing when `deviceName` holds no
// "USB" (the next device is then tried): the part of the name before the first "USB", then the
// description, then ")" unless the device name itself holds a ")". The result may be longer than
// the name area; StoreName cuts it.
std::optional<std::string> BuildWaveformName(std::string_view deviceName, std::string_view description,
                                             LeadBytePredicate isLeadByte);

// Whether a mixer device name belongs to the handset under the mixer rule: it holds the whole
// description. An empty description matches nothing, so a device without a description never
// picks an arbitrary mixer.
bool MixerNameMatches(std::string_view mixerName, std::string_view description,
                      LeadBytePredicate isLeadByte);

// Writes `name` and a terminating zero into `area`. A name longer than area.size() - 1 bytes is cut
// at the last whole character that fits, never between the two bytes of a double-byte character.
// Returns the number of name bytes written; an empty area receives nothing.
std::size_t StoreName(std::string_view name, std::span<char> area, LeadBytePredicate isLeadByte);

// The waveform rule over the devices in device-number order; nothing stands for a device whose
// capabilities could not be read. The first device whose name holds "USB" decides, and its built
// name is stored into `area`; returns whether a name was stored. When no device matches, `area`
// keeps what it held. Names are the capability records' texts up to their first zero byte.
bool ApplyWaveformRule(std::span<const std::optional<std::string_view>> deviceNames,
                       std::string_view description, LeadBytePredicate isLeadByte,
                       std::span<char> area);

}  // namespace kprt5
