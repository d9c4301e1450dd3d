// The panel's number conversion against the C library for short texts: ParsePanelDecimal against
// strtoll on the first 19 characters, ValidatePanelNumber against a regular expression for the
// form and from_chars for the value.
#include <charconv>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "ui/panel_numbers.h"

namespace {

using kprt5::PanelNumberType;

std::int32_t ReferenceDecimal(std::string_view text) {
  const std::string head(text.substr(0, kprt5::kPanelDecimalLimit));  // strtoll stops at a zero byte too
  errno = 0;
  const long long value = std::strtoll(head.c_str(), nullptr, 10);
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::optional<std::int64_t> ReferenceValidate(std::string_view text, PanelNumberType type) {
  static const std::regex form("[ \\t]*([+-]?)([0-9]+)[ \\t]*");
  const std::string copy(text);
  std::smatch match;
  if (!std::regex_match(copy, match, form)) return std::nullopt;
  const bool negative = match[1].str() == "-";
  const std::string digits = match[2].str();
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (error == std::errc::result_out_of_range) return std::nullopt;
  FUZZ_CHECK(error == std::errc() && end == digits.data() + digits.size());
  const bool isUnsigned = type != PanelNumberType::Signed32;
  if (negative && isUnsigned) return std::nullopt;
  const std::int64_t limit = type == PanelNumberType::Signed32   ? (negative ? 2147483648LL : 2147483647LL)
                             : type == PanelNumberType::Unsigned32 ? 4294967295LL
                                                                   : 255LL;
  if (magnitude > static_cast<std::uint64_t>(limit)) return std::nullopt;
  const auto value = static_cast<std::int64_t>(magnitude);
  return negative ? -value : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 48) return 0;  // short texts: the reference's regular expression is slow on long ones
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(kprt5::ParsePanelDecimal(text) == ReferenceDecimal(text));
  for (const PanelNumberType type : {PanelNumberType::Signed32, PanelNumberType::Unsigned32, PanelNumberType::Unsigned8})
    FUZZ_CHECK(kprt5::ValidatePanelNumber(text, type) == ReferenceValidate(text, type));
  return 0;
}
