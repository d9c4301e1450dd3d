#pragma once
#include <cstddef>
#include <span>
#include <string_view>

namespace kprt5 {

// The first hardware id of the handset's audio function (interface 0, revision 0100).
inline constexpr std::string_view kHandsetHardwareId = "USB\\Vid_7a3e&Pid_01b5&Rev_0100&MI_00";

// Size of the area the hardware-id list is read into.
inline constexpr std::size_t kHardwareIdAreaSize = 256;

// Whether two texts are equal when ASCII letters are compared without regard to case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The first string of a hardware-id list (REG_MULTI_SZ) read into `area`, of which the read reported
// `dataSize` bytes. The string ends at its first zero byte, or at the end of the data when the data
// holds no zero (a list stored without terminator); a `dataSize` larger than the area is taken as the
// whole area. Nothing outside `area` is read.
std::string_view FirstHardwareId(std::span<const char> area, std::size_t dataSize);

// Whether the list's first hardware id is the handset's, ignoring letter case. Later ids in the list
// do not count.
bool IsHandsetHardwareIdList(std::span<const char> area, std::size_t dataSize);

}  // namespace kprt5
