#include "audio/endpoint_name.h"

#include <algorithm>

namespace kprt5 {
namespace {

// The length in bytes of the character that starts at `offset`. A lead byte with nothing after it
// counts as a character of its own.
std::size_t CharacterLength(std::string_view text, std::size_t offset, LeadBytePredicate isLeadByte) {
  const bool lead = isLeadByte != nullptr && isLeadByte(static_cast<unsigned char>(text[offset]));
  return (lead && offset + 1 < text.size()) ? 2 : 1;
}

}  // namespace

bool UsesWaveformRule(std::uint32_t threadLocale) { return threadLocale == kWaveformNameLocale; }

std::size_t FindOnCharacterBoundary(std::string_view text, std::string_view needle,
                                    LeadBytePredicate isLeadByte) {
  if (needle.empty()) return 0;
  for (std::size_t offset = 0; offset < text.size(); offset += CharacterLength(text, offset, isLeadByte)) {
    if (text.substr(offset).starts_with(needle)) return offset;
  }
  return std::string_view::npos;
}

std::optional<std::string> BuildWaveformName(std::string_view deviceName, std::string_view description,
                                             LeadBytePredicate isLeadByte) {
  const std::size_t marker = FindOnCharacterBoundary(deviceName, kUsbMarker, isLeadByte);
  if (marker == std::string_view::npos) return std::nullopt;
  std::string name(deviceName.substr(0, marker));
  name += description;
  if (FindOnCharacterBoundary(deviceName, ")", isLeadByte) == std::string_view::npos) name += ')';
  return name;
}

bool MixerNameMatches(std::string_view mixerName, std::string_view description,
                      LeadBytePredicate isLeadByte) {
  return !description.empty() &&
         FindOnCharacterBoundary(mixerName, description, isLeadByte) != std::string_view::npos;
}

std::size_t StoreName(std::string_view name, std::span<char> area, LeadBytePredicate isLeadByte) {
  if (area.empty()) return 0;
  const std::size_t room = area.size() - 1;
  std::size_t length = 0;
  while (length < name.size()) {
    const std::size_t next = length + CharacterLength(name, length, isLeadByte);
    if (next > room) break;
    length = next;
  }
  std::copy_n(name.begin(), length, area.begin());
  area[length] = '\0';
  return length;
}

bool ApplyWaveformRule(std::span<const std::optional<std::string_view>> deviceNames,
                       std::string_view description, LeadBytePredicate isLeadByte,
                       std::span<char> area) {
  for (const std::optional<std::string_view>& deviceName : deviceNames) {
    if (!deviceName) continue;
    if (const std::optional<std::string> name = BuildWaveformName(*deviceName, description, isLeadByte)) {
      StoreName(*name, area, isLeadByte);
      return true;
    }
  }
  return false;
}

}  // namespace kprt5
