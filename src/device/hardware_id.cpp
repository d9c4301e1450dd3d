#include "device/hardware_id.h"

#include <algorithm>

namespace kprt5 {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view FirstHardwareId(std::span<const char> area, std::size_t dataSize) {
  const std::string_view data(area.data(), std::min(dataSize, area.size()));
  return data.substr(0, data.find('\0'));
}

bool IsHandsetHardwareIdList(std::span<const char> area, std::size_t dataSize) {
  return EqualsIgnoringAsciiCase(FirstHardwareId(area, dataSize), kHandsetHardwareId);
}

}  // namespace kprt5
