#include "ui/panel_numbers.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace kprt5 {
namespace {

constexpr std::uint8_t kReportId = 64;
constexpr std::uint8_t kTextReportCommand = 129;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsWhiteSpace(char c) { return IsBlank(c) || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

struct Digits {
  bool negative = false;
  std::int64_t magnitude = 0;  // saturates just above `cap`
  std::size_t count = 0;
  std::size_t end = 0;  // offset after the last digit
};

// Reads an optional sign and the digits from `offset`; the magnitude never exceeds cap + 1, so a
// long run of digits cannot overflow.
Digits ReadSignedDigits(std::string_view text, std::size_t offset, std::int64_t cap) {
  Digits digits;
  if (offset < text.size() && (text[offset] == '+' || text[offset] == '-')) {
    digits.negative = text[offset] == '-';
    ++offset;
  }
  for (; offset < text.size() && IsDigit(text[offset]); ++offset, ++digits.count)
    digits.magnitude = std::min(digits.magnitude * 10 + (text[offset] - '0'), cap + 1);
  digits.end = offset;
  return digits;
}

}  // namespace

std::int32_t ParsePanelDecimal(std::string_view text) {
  text = text.substr(0, kPanelDecimalLimit);
  std::size_t offset = 0;
  while (offset < text.size() && IsWhiteSpace(text[offset])) ++offset;
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  const Digits digits = ReadSignedDigits(text, offset, -kMin);
  const std::int64_t value = digits.negative ? -digits.magnitude : digits.magnitude;
  return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

std::optional<std::int64_t> ValidatePanelNumber(std::string_view text, PanelNumberType type) {
  std::int64_t min = 0;
  std::int64_t max = 0;
  switch (type) {
    case PanelNumberType::Signed32:
      min = std::numeric_limits<std::int32_t>::min();
      max = std::numeric_limits<std::int32_t>::max();
      break;
    case PanelNumberType::Unsigned32:
      max = std::numeric_limits<std::uint32_t>::max();
      break;
    case PanelNumberType::Unsigned8:
      max = std::numeric_limits<std::uint8_t>::max();
      break;
  }
  std::size_t offset = 0;
  while (offset < text.size() && IsBlank(text[offset])) ++offset;
  const Digits digits = ReadSignedDigits(text, offset, std::max(max, -min));
  if (digits.count == 0) return std::nullopt;
  if (digits.negative && min == 0) return std::nullopt;
  for (std::size_t i = digits.end; i < text.size(); ++i)
    if (!IsBlank(text[i])) return std::nullopt;
  const std::int64_t value = digits.negative ? -digits.magnitude : digits.magnitude;
  if (value < min || value > max) return std::nullopt;
  return value;
}

const char* PanelNumberPrompt(PanelNumberType type) {
  switch (type) {
    case PanelNumberType::Signed32:
      return "Please enter an integer.";
    case PanelNumberType::Unsigned32:
      return "Please enter a positive integer.";
    case PanelNumberType::Unsigned8:
      return "Please enter an integer between 0 and 255.";
  }
  return "Please enter an integer.";
}

std::string FormatEepromWord(std::uint32_t word) {
  char text[8] = {};
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(word & 0xFFFFu));
  return text;
}

std::optional<std::size_t> FindListItemStartingWith(std::span<const std::string> items, std::string_view prefix) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string_view item(items[i]);
    if (item.size() >= prefix.size() && EqualsIgnoringCase(item.substr(0, prefix.size()), prefix)) return i;
  }
  return std::nullopt;
}

KeyScanStart ChooseKeyScan(std::string_view scanMode) {
  if (EqualsIgnoringCase(scanMode, "SCAN4X4")) return KeyScanStart::Scan4x4;
  if (EqualsIgnoringCase(scanMode, "SCAN4X5")) return KeyScanStart::Scan4x5;
  if (EqualsIgnoringCase(scanMode, "SCAN2X3")) return KeyScanStart::Scan2x3;
  if (EqualsIgnoringCase(scanMode, "SCAN2X2")) return KeyScanStart::Scan2x2;
  return KeyScanStart::None;
}

bool IsScanMode2x2(std::string_view scanMode) { return ChooseKeyScan(scanMode) == KeyScanStart::Scan2x2; }

std::vector<TextReport> SplitTextIntoReports(std::string_view sendText) {
  std::vector<TextReport> reports;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(sendText[i]); };
  const std::size_t pairs = sendText.size() / 2;
  for (std::size_t i = 0; i < pairs * 2; i += 2)
    reports.push_back({kReportId, kTextReportCommand, byte(i), byte(i + 1)});
  if (sendText.size() % 2 != 0)
    reports.push_back({kReportId, kTextReportCommand, byte(sendText.size() - 1), 0});
  else
    reports.push_back({kReportId, kTextReportCommand, 0, 0});
  return reports;
}

}  // namespace kprt5
