// The endpoint-name rules over any bytes, with and without a Shift-JIS-like lead-byte predicate.
// Input: byte 0 picks the predicate, bytes 1-2 the name area's size (0..299); the rest is split
// at '\n' into a text, a needle, a description and device names. Areas are heap buffers of
// exactly their size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audio/endpoint_name.h"
#include "fuzz_check.h"

namespace {

using kprt5::LeadBytePredicate;

bool ShiftJisLead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

// The offsets at which characters begin: a lead byte and the byte after it make one character.
std::vector<std::size_t> Boundaries(std::string_view text, LeadBytePredicate isLead) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size();) {
    starts.push_back(i);
    const bool lead = isLead != nullptr && isLead(static_cast<unsigned char>(text[i]));
    i += lead && i + 1 < text.size() ? 2 : 1;
  }
  return starts;
}

std::size_t ReferenceFind(std::string_view text, std::string_view needle, LeadBytePredicate isLead) {
  if (needle.empty()) return 0;
  for (const std::size_t start : Boundaries(text, isLead))
    if (text.substr(start).starts_with(needle)) return start;
  return std::string_view::npos;
}

void CheckStoreName(std::string_view name, std::size_t areaSize, LeadBytePredicate isLead) {
  const auto area = std::make_unique<char[]>(areaSize);
  std::memset(area.get(), 0x5A, areaSize);
  const std::size_t stored = kprt5::StoreName(name, std::span<char>(area.get(), areaSize), isLead);
  if (areaSize == 0) {
    FUZZ_CHECK(stored == 0);
    return;
  }
  FUZZ_CHECK(stored < areaSize && area[stored] == '\0');
  FUZZ_CHECK(std::memcmp(area.get(), name.data(), stored) == 0);
  const std::vector<std::size_t> starts = Boundaries(name, isLead);
  if (stored < name.size()) {
    // Cut at a character boundary, and only because the next character did not fit.
    const auto at = std::find(starts.begin(), starts.end(), stored);
    FUZZ_CHECK(at != starts.end());
    const std::size_t next = at + 1 != starts.end() ? *(at + 1) : name.size();
    FUZZ_CHECK(next > areaSize - 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const LeadBytePredicate isLead = (data[0] & 1) != 0 ? &ShiftJisLead : nullptr;
  const std::size_t areaSize = (static_cast<std::size_t>(data[1]) | (static_cast<std::size_t>(data[2]) << 8)) % 300;
  std::vector<std::string> pieces;  // each its own heap copy, so a read past one is caught
  std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
  for (;;) {
    const std::size_t end = rest.find('\n');
    pieces.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  pieces.resize(std::max<std::size_t>(pieces.size(), 3));
  const std::string_view text = pieces[0];
  const std::string_view needle = pieces[1];
  const std::string_view description = pieces[2];

  FUZZ_CHECK(kprt5::FindOnCharacterBoundary(text, needle, isLead) == ReferenceFind(text, needle, isLead));
  FUZZ_CHECK(kprt5::MixerNameMatches(text, description, isLead) ==
             (!description.empty() && ReferenceFind(text, description, isLead) != std::string_view::npos));

  const std::optional<std::string> built = kprt5::BuildWaveformName(text, description, isLead);
  const std::size_t marker = ReferenceFind(text, kprt5::kUsbMarker, isLead);
  FUZZ_CHECK(built.has_value() == (marker != std::string_view::npos));
  if (built) {
    std::string expected(text.substr(0, marker));
    expected += description;
    if (ReferenceFind(text, ")", isLead) == std::string_view::npos) expected += ')';
    FUZZ_CHECK(*built == expected);
    CheckStoreName(*built, areaSize, isLead);
  }
  CheckStoreName(text, areaSize, isLead);

  // The waveform rule over the device names after the description; a piece starting with 0xFF
  // stands for a device whose capabilities could not be read.
  std::vector<std::optional<std::string_view>> names;
  std::optional<std::string> firstBuilt;
  for (std::size_t i = 3; i < pieces.size(); ++i) {
    const bool unreadable = !pieces[i].empty() && static_cast<unsigned char>(pieces[i][0]) == 0xFF;
    names.push_back(unreadable ? std::nullopt : std::optional<std::string_view>(pieces[i]));
    if (!unreadable && !firstBuilt) firstBuilt = kprt5::BuildWaveformName(pieces[i], description, isLead);
  }
  const auto area = std::make_unique<char[]>(areaSize);
  std::memset(area.get(), 0x5A, areaSize);
  const bool stored = kprt5::ApplyWaveformRule(names, description, isLead, std::span<char>(area.get(), areaSize));
  FUZZ_CHECK(stored == firstBuilt.has_value());
  if (stored && areaSize > 0) {
    FUZZ_CHECK(std::find(area.get(), area.get() + areaSize, '\0') != area.get() + areaSize);
    FUZZ_CHECK(std::string_view(area.get()) == std::string_view(*firstBuilt).substr(0, std::strlen(area.get())));
  }
  if (!stored) FUZZ_CHECK(std::all_of(area.get(), area.get() + areaSize, [](char c) { return c == 0x5A; }));
  return 0;
}
