#pragma once
#include <cstdint>

namespace kprt5 {

// A window handle as the rules see it: an opaque integer, 0 meaning no window.
using WindowHandle = std::uintptr_t;

}  // namespace kprt5
