#include "copy_data_win32.h"

#include <algorithm>
#include <vector>

namespace skype_peer {

SendOutcome SendWithTimeout(HWND target, UINT message, WPARAM wParam, LPARAM lParam,
                            std::chrono::milliseconds timeout) {
  DWORD_PTR answer = 0;
  const auto milliseconds =
      static_cast<UINT>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 1, 600000));
  const LRESULT sent = SendMessageTimeoutA(target, message, wParam, lParam,
                                           SMTO_NORMAL | SMTO_ABORTIFHUNG, milliseconds, &answer);
  return SendOutcome{sent != 0, static_cast<LRESULT>(answer)};
}

SendOutcome SendCopyDataText(HWND target, HWND from, std::string_view text,
                             std::chrono::milliseconds timeout) {
  std::vector<char> payload(text.begin(), text.end());
  payload.push_back('\0');
  COPYDATASTRUCT record{};
  record.dwData = 0;
  record.cbData = static_cast<DWORD>(payload.size());
  record.lpData = payload.data();
  return SendWithTimeout(target, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                         reinterpret_cast<LPARAM>(&record), timeout);
}

SendOutcome SendCopyDataRaw(HWND target, HWND from, std::span<const std::uint8_t> bytes,
                            std::uint32_t cbData, bool lpDataNull, std::uintptr_t dwData,
                            std::chrono::milliseconds timeout) {
  std::vector<std::uint8_t> payload(std::max<std::size_t>(bytes.size(), cbData), 0);
  std::copy(bytes.begin(), bytes.end(), payload.begin());
  COPYDATASTRUCT record{};
  record.dwData = dwData;
  record.cbData = cbData;
  record.lpData = lpDataNull ? nullptr : payload.data();
  return SendWithTimeout(target, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                         reinterpret_cast<LPARAM>(&record), timeout);
}

}  // namespace skype_peer
