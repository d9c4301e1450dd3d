#include "skype/skype_transport_win32.h"

#include <span>

#include "skype/skype_commands.h"

namespace kprt5 {
namespace {

bool SendPayload(HWND target, HWND ownWindow, const char* text, DWORD cbData) {
  COPYDATASTRUCT record{};
  record.dwData = 0;
  record.cbData = cbData;
  record.lpData = const_cast<char*>(text);
  return ::SendMessageA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(ownWindow),
                        reinterpret_cast<LPARAM>(&record)) != 0;
}

}  // namespace

void RegisterSkypeMessages(SkypeLink& link) {
  link.attachMessageId = ::RegisterWindowMessageA("SkypeControlAPIAttach");
  link.discoverMessageId = ::RegisterWindowMessageA("SkypeControlAPIDiscover");
}

void Win32SkypeTransport::BroadcastSkypeDiscover() {
  ::SendMessageA(HWND_BROADCAST, link_.discoverMessageId, reinterpret_cast<WPARAM>(ownWindow_), 0);
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
