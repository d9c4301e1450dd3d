#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace skype_peer {

// Bytes as one printable line for the trace: printable ASCII as is, backslash and every other
// byte as \xNN. A single zero byte at the very end (the usual terminator) is left out.
std::string PrintableText(std::span<const std::uint8_t> bytes);

}  // namespace skype_peer
