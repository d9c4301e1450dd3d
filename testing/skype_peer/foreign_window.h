#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "skype_peer/window_handle.h"

namespace skype_peer {

// A window that is not Skype's, on a thread of its own, that sends WM_COPYDATA to any window
// with itself as wParam: a stranger whose texts the client must not take for Skype's.
class ForeignWindow {
 public:
  ForeignWindow();
  ~ForeignWindow();
  ForeignWindow(const ForeignWindow&) = delete;
  ForeignWindow& operator=(const ForeignWindow&) = delete;

  Hwnd Window() const;
  // The text with its zero byte, cbData = length + 1, dwData 0. True when both the send and the
  // receiver's answer were nonzero.
  bool Send(Hwnd target, std::string_view text);
  // Any layout; returns the receiver's answer, nullopt when the send failed.
  std::optional<std::intptr_t> SendRaw(Hwnd target, std::span<const std::uint8_t> bytes,
                                       std::uint32_t cbData, bool lpDataNull,
                                       std::uintptr_t dwData);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace skype_peer
