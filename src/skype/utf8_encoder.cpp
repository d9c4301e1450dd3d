#include "skype/utf8_encoder.h"

#include <initializer_list>

namespace kprt5 {
namespace {

class Utf8Writer {
 public:
  Utf8Writer(char* output, std::size_t capacity) : output_(output), capacity_(capacity) {}

  bool Full() const { return position_ >= capacity_; }
  std::size_t Position() const { return position_; }

  // Writes the whole sequence or nothing.
  bool Write(std::initializer_list<std::uint32_t> bytes) {
    if (position_ + bytes.size() > capacity_) return false;
    for (std::uint32_t byte : bytes) output_[position_++] = static_cast<char>(byte & 0xFFu);
    return true;
  }

  bool WriteThreeByte(std::uint32_t u) {
    return Write({0xE0u | (u >> 12), 0x80u | ((u >> 6) & 0x3Fu), 0x80u | (u & 0x3Fu)});
  }

  bool WriteUnit(std::uint32_t u) {
    if (u <= 0x7Fu) return Write({u});
    if (u <= 0x7FFu) return Write({0xC0u | (u >> 6), 0x80u | (u & 0x3Fu)});
    return WriteThreeByte(u);
  }

 private:
  char* output_;
  std::size_t capacity_;
  std::size_t position_ = 0;
};

bool IsHighSurrogate(std::uint32_t u) { return u >= 0xD800u && u <= 0xDBFFu; }
bool IsLowSurrogate(std::uint32_t u) { return u >= 0xDC00u && u <= 0xDFFFu; }

}  // namespace

std::size_t EncodeUtf16ToUtf8(const std::uint16_t* units, std::size_t unitCount, char* output,
                              std::size_t capacity) {
  Utf8Writer writer(output, capacity);
  bool highPending = false;
  std::uint32_t pendingHigh = 0;
  for (std::size_t i = 0; i < unitCount; ++i) {
    if (writer.Full()) return 0;
    const std::uint32_t unit = units[i];
    if (IsHighSurrogate(unit)) {
      if (highPending && !writer.WriteThreeByte(pendingHigh)) return 0;
      highPending = true;
      pendingHigh = unit;
      continue;
    }
    if (highPending) {
      highPending = false;
      if (IsLowSurrogate(unit)) {
        const std::uint32_t c = (pendingHigh - 0xD800u) * 1024u + (unit - 0xDC00u) + 0x10000u;
        if (!writer.Write({0xF0u | (c >> 18), 0x80u | ((c >> 12) & 0x3Fu), 0x80u | ((c >> 6) & 0x3Fu),
                           0x80u | (c & 0x3Fu)}))
          return 0;
        continue;
      }
      if (!writer.WriteThreeByte(pendingHigh)) return 0;
    }
    if (!writer.WriteUnit(unit)) return 0;
  }
  if (highPending && !writer.WriteThreeByte(pendingHigh)) return 0;
  return writer.Position();
}

}  // namespace kprt5
