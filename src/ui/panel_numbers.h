#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kprt5 {

// The engineering panel's address fields are read as at most this many characters.
inline constexpr std::size_t kPanelDecimalLimit = 19;

// Converts the first 19 characters of `text` as a decimal integer: leading white space and one
// sign are allowed, the conversion stops at the first non-digit, and no digits give 0. A value
// beyond the 32-bit range saturates at its nearest limit.
std::int32_t ParsePanelDecimal(std::string_view text);

// The number types of the panel's bound fields.
enum class PanelNumberType { Signed32, Unsigned32, Unsigned8 };

// The value of a number field's text when it is a valid number of `type`, else nothing (the field
// is refused). Valid: optional blanks (space, tab), an optional sign, at least one decimal digit,
// optional blanks, nothing else. A minus sign is refused for the unsigned types, as is a value
// outside the type's range (above 255 for Unsigned8).
std::optional<std::int64_t> ValidatePanelNumber(std::string_view text, PanelNumberType type);

// The standard prompt shown when a field of `type` is refused.
const char* PanelNumberPrompt(PanelNumberType type);

// The low 16 bits of an EEPROM word in lower-case hexadecimal without leading zeros ("%x").
std::string FormatEepromWord(std::uint32_t word);

// The index of the first item that begins with `prefix`, ASCII letter case ignored, or nothing.
// An empty prefix is the beginning of every item, so it selects the first item of a non-empty list.
std::optional<std::size_t> FindListItemStartingWith(std::span<const std::string> items, std::string_view prefix);

// The key-scan start that a scan mode selects, its text compared without regard to ASCII case.
enum class KeyScanStart { None, Scan4x4, Scan4x5, Scan2x3, Scan2x2 };
KeyScanStart ChooseKeyScan(std::string_view scanMode);

// Whether the scan mode is "SCAN2X2" (ignoring case), the one mode that shows "Gpio Pull High".
bool IsScanMode2x2(std::string_view scanMode);

// One output report of the Send-text command.
using TextReport = std::array<std::uint8_t, 4>;

// The reports that carry `sendText` and a terminating zero byte to the handset, two bytes each:
// (64, 129, b[i], b[i+1]) for each whole pair, then (64, 129, last, 0) when the length is odd or
// (64, 129, 0, 0) when it is even. The empty text gives the single report (64, 129, 0, 0). The
// pause between reports follows every report but the last.
std::vector<TextReport> SplitTextIntoReports(std::string_view sendText);

}  // namespace kprt5
