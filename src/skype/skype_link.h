#pragma once
#include <cstdint>

#include "skype/window_handle.h"

namespace kprt5 {

// The process-wide record of the connection to Skype. All zero at process start.
struct SkypeLink {
  std::uint32_t attachMessageId = 0;    // registered "SkypeControlAPIAttach"
  std::uint32_t discoverMessageId = 0;  // registered "SkypeControlAPIDiscover"
  WindowHandle skypeWindow = 0;         // Skype's API window from the last status-0 attach; 0 = none
  std::uint8_t skypeAttached = 0;       // 1 after a status-0 attach; cleared only by the supervisor
  std::uint8_t discoveryPending = 0;    // 1 while discover broadcasts are due each supervisor cycle
};

}  // namespace kprt5
