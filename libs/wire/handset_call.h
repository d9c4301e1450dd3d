// One library call to the handset: one request frame and one reply frame, on the library's kept
// connection (made at the first call, made again when the handset has closed it).
#pragma once

#include <optional>

#include "wire_frame.h"

namespace kprt5::wire {

// How long a call may hold its caller when the handset's server is busy, slow or gone.
inline constexpr unsigned kConnectTimeoutMs = 300;
inline constexpr unsigned kReplyTimeoutMs = 2000;

// The handset's reply, or nullopt when there is no server, it did not answer in time, it went
// away, or its answer was not a reply to this call.
std::optional<Frame> CallHandset(const Frame& request);

}  // namespace kprt5::wire
