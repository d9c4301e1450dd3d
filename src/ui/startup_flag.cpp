#include "ui/startup_flag.h"

#include <algorithm>

namespace kprt5 {

bool EndsWithMiddlewareExe(std::string_view text) { return text.ends_with(kMiddlewareExeSuffix); }

bool AutostartValueNamesMiddleware(std::span<const char> area, std::size_t dataSize) {
  const std::string_view data(area.data(), std::min(dataSize, area.size()));
  return EndsWithMiddlewareExe(data.substr(0, data.find('\0')));
}

AutostartPath BuildAutostartPath(std::string_view programFilesFolder, bool middleware) {
  const std::string_view tail = middleware ? kMiddlewarePathTail : kCompanionPathTail;
  constexpr std::size_t room = kAutostartAreaSize - 1;
  static_assert(kMiddlewarePathTail.size() < room && kCompanionPathTail.size() < room);
  const std::string_view folder = programFilesFolder.substr(0, room - tail.size());

  AutostartPath path{};
  char* end = std::copy(folder.begin(), folder.end(), path.text);
  end = std::copy(tail.begin(), tail.end(), end);
  *end = '\0';
  path.length = folder.size() + tail.size();
  return path;
}

}  // namespace kprt5
