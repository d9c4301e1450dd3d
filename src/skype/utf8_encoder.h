#pragma once
#include <cstddef>
#include <cstdint>

namespace kprt5 {

// Encodes `unitCount` UTF-16 units into `output`, writing at most `capacity` bytes. Unpaired
// surrogates are written as three-byte sequences of their own value. Returns the number of bytes
// written, or 0 when the output ran out of room (the bytes written before the stop stay in place).
// Never writes a terminating zero.
std::size_t EncodeUtf16ToUtf8(const std::uint16_t* units, std::size_t unitCount, char* output,
                              std::size_t capacity);

}  // namespace kprt5
