#pragma once
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>

namespace skype_peer {

// What a send achieved: `sent` when the receiver handled the message in time, `answer` its result.
// A send succeeded in Skype's sense only when both are nonzero.
struct SendOutcome {
  bool sent = false;
  LRESULT answer = 0;
  bool Accepted() const { return sent && answer != 0; }
};

// SendMessageTimeoutA with SMTO_NORMAL | SMTO_ABORTIFHUNG: a message sent back to this thread
// while it waits is handled nested, as with SendMessageA.
SendOutcome SendWithTimeout(HWND target, UINT message, WPARAM wParam, LPARAM lParam,
                            std::chrono::milliseconds timeout);

// A WM_COPYDATA of a text: the bytes and one zero byte, cbData = length + 1, dwData 0.
SendOutcome SendCopyDataText(HWND target, HWND from, std::string_view text,
                             std::chrono::milliseconds timeout);

// A WM_COPYDATA laid out as asked, for malformed payloads. Only bytes inside `bytes` are ever
// read: when cbData is larger, the payload is padded with zero bytes up to cbData.
SendOutcome SendCopyDataRaw(HWND target, HWND from, std::span<const std::uint8_t> bytes,
                            std::uint32_t cbData, bool lpDataNull, std::uintptr_t dwData,
                            std::chrono::milliseconds timeout);

}  // namespace skype_peer
