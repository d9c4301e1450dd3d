#include "skype/skype_transport_win32.h"

#include <span>

#include "skype/skype_commands.h"

namespace kprt5 {
namespace {

// How long one send waits for its receiver (for a broadcast: for each top-level window). A hung
// Skype or a hung program elsewhere on the desktop then costs at most this much, never a freeze.
constexpr UINT kSkypeSendTimeoutMs = 3000;

// Never SMTO_BLOCK: Skype's notifications sent to the own window during the wait must still be
// handled, nested, as they are during a plain SendMessageA. SMTO_ABORTIFHUNG returns at once for
// a receiver the system already counts as hung.
constexpr UINT kSkypeSendFlags = SMTO_NORMAL | SMTO_ABORTIFHUNG;

// True only when the receiver handled the message in time and answered nonzero: the function's
// own result is nonzero for a receiver that answered 0 as well.
bool SendWithTimeout(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  const LRESULT handled =
      ::SendMessageTimeoutA(target, message, wParam, lParam, kSkypeSendFlags, kSkypeSendTimeoutMs, &answer);
  return handled != 0 && answer != 0;
}

bool SendPayload(HWND target, HWND ownWindow, const char* text, DWORD cbData) {
  COPYDATASTRUCT record{};
  record.dwData = 0;
  record.cbData = cbData;
  record.lpData = const_cast<char*>(text);
  return SendWithTimeout(target, WM_COPYDATA, reinterpret_cast<WPARAM>(ownWindow),
                         reinterpret_cast<LPARAM>(&record));
}

}  // namespace

void RegisterSkypeMessages(SkypeLink& link) {
  link.attachMessageId = ::RegisterWindowMessageA("SkypeControlAPIAttach");
  link.discoverMessageId = ::RegisterWindowMessageA("SkypeControlAPIDiscover");
}

void Win32SkypeTransport::BroadcastSkypeDiscover() {
  // The result says nothing useful for a broadcast; Skype answers with the attach message.
  SendWithTimeout(HWND_BROADCAST, link_.discoverMessageId, reinterpret_cast<WPARAM>(ownWindow_), 0);
}

bool Win32SkypeTransport::SendSkypeCommand(WindowHandle target, std::string_view text) {
  const PlainCommandPayload payload = BuildPlainCommandPayload(text);
  return SendPayload(ToHwnd(target), ownWindow_, payload.text.data(), payload.cbData);
}

bool Win32SkypeTransport::SendSkypeCommandWithArgument(WindowHandle target, std::string_view prefix,
                                                       std::string_view argument) {
  const std::string ansi = FormArgumentCommand(prefix, argument);
  wchar_t units[256] = {};
  ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, units, 256);
  units[255] = L'\0';
  static_assert(sizeof(wchar_t) == sizeof(std::uint16_t));
  const ArgumentCommandPayload payload =
      EncodeArgumentCommandPayload(std::span<const std::uint16_t>(reinterpret_cast<const std::uint16_t*>(units), 256));
  return SendPayload(ToHwnd(target), ownWindow_, payload.text.data(), payload.cbData);
}

}  // namespace kprt5
