#pragma once
#include <optional>
#include <string>

namespace kprt5 {

// True when the media class holds a present USB device whose first hardware id is the handset's
// audio function; falls back to the current hardware profile when the present set cannot be opened.
bool IsHandsetPresent();

// The device description of the first present media device carrying the handset's hardware id.
std::optional<std::string> ReadHandsetDescription();

}  // namespace kprt5
