#include "printable_text.h"

#include <algorithm>

namespace skype_peer {

std::string PrintableText(std::span<const std::uint8_t> bytes) {
  const bool terminated = !bytes.empty() && bytes.back() == 0 &&
                          std::count(bytes.begin(), bytes.end(), std::uint8_t{0}) == 1;
  if (terminated) bytes = bytes.first(bytes.size() - 1);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (const std::uint8_t byte : bytes) {
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      line += static_cast<char>(byte);
    } else {
      line += "\\x";
      line += kHex[byte >> 4];
      line += kHex[byte & 0x0F];
    }
  }
  return line;
}

}  // namespace skype_peer
