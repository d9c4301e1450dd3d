#pragma once
#include <cstddef>
#include <span>
#include <string_view>

namespace kprt5 {

// Registry texts and paths are handled in 256-byte areas: at most 255 characters and a zero.
inline constexpr std::size_t kAutostartAreaSize = 256;

// The per-user autostart value names the middleware when it ends with this, case distinguished.
inline constexpr std::string_view kMiddlewareExeSuffix = "KPRT5.exe";

// Tails appended to the program-files folder (which has no trailing backslash).
inline constexpr std::string_view kMiddlewarePathTail = "\\ZELT KP-RT5\\MW\\KPRT5.exe";
inline constexpr std::string_view kCompanionPathTail = "\\ZELT KP-RT5\\KPRT6.exe";

// Whether `text` has at least 9 characters and its last 9 are "KPRT5.exe", byte for byte.
bool EndsWithMiddlewareExe(std::string_view text);

// The StartUp check-mark rule on a value that was read successfully (it existed and fitted the
// area) into `area`, of which the read reported `dataSize` bytes. The text ends at its first zero
// byte, or at the end of the data when the data holds none; a `dataSize` beyond the area counts as
// the whole area. A value that could not be read is never passed here: it counts as not naming
// the middleware.
bool AutostartValueNamesMiddleware(std::span<const char> area, std::size_t dataSize);

// An autostart path in its 256-byte area, zero-terminated.
struct AutostartPath {
  char text[kAutostartAreaSize];
  std::size_t length;
};

// The program-files folder followed by the middleware tail (`middleware` true) or the companion
// tail. The tail always stays whole: when folder and tail together exceed 255 characters, the
// folder is cut so that the path still ends with the executable's name. An empty folder gives the
// bare tail.
AutostartPath BuildAutostartPath(std::string_view programFilesFolder, bool middleware);

}  // namespace kprt5
