#pragma once
#include <windows.h>

#include <string_view>

#include "skype/skype_link.h"
#include "skype/skype_transport.h"

namespace kprt5 {

// Registers the attach message, then the discover message, into the link record.
void RegisterSkypeMessages(SkypeLink& link);

inline HWND ToHwnd(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
inline WindowHandle ToWindowHandle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// The desktop API's sends from the own window, through WM_COPYDATA and the discover broadcast.
class Win32SkypeTransport final : public SkypeTransport {
 public:
  Win32SkypeTransport(const SkypeLink& link, HWND ownWindow) : link_(link), ownWindow_(ownWindow) {}

  bool SendSkypeCommand(WindowHandle target, std::string_view text) override;
  bool SendSkypeCommandWithArgument(WindowHandle target, std::string_view prefix, std::string_view argument) override;
  void BroadcastSkypeDiscover() override;

 private:
  const SkypeLink& link_;
  HWND ownWindow_;
};

}  // namespace kprt5
