// What every bare baseline program shares: one hidden window of its own class, ended by WM_CLOSE,
// and a plain message loop.
#pragma once

#include <windows.h>

namespace kprt5::bench {

// The closing messages of a bare window: WM_CLOSE destroys it, WM_DESTROY ends the loop. Returns
// true when it handled the message.
inline bool HandleBareWindowEnd(HWND window, UINT message) {
  if (message == WM_CLOSE) {
    ::DestroyWindow(window);
    return true;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return true;
  }
  return false;
}

// Registers the class and makes its hidden zero-size popup window; null when either fails.
inline HWND CreateBareWindow(HINSTANCE instance, const char* className, const char* title, WNDPROC procedure) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className;
  if (::RegisterClassA(&windowClass) == 0) return nullptr;
  return ::CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

inline int RunBareMessageLoop() {
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}

}  // namespace kprt5::bench
