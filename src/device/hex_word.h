#pragma once
#include <cstdint>
#include <string_view>

namespace kprt5 {

// Reads the first four characters of `text` as hexadecimal digits, either letter case. A character
// that is not a hexadecimal digit counts as a zero digit but keeps its place, so "1G" is 0x0010 and
// "0x12" is 0x0012; characters after the fourth are ignored and the empty text is 0. There is no
// error result.
std::uint16_t ParseHexWord(std::string_view text);

}  // namespace kprt5
