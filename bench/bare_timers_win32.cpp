// The least a resident program with the middleware's three timers costs while idle: 200 ms and
// 1000 ms timers that do nothing, and a 100 ms timer killed at its first tick.
#include <windows.h>

#include "bare_window_win32.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == 2) ::KillTimer(window, 2);
      return 0;
    default:
      if (kprt5::bench::HandleBareWindowEnd(window, message)) return 0;
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HWND window = kprt5::bench::CreateBareWindow(instance, "KPRT5BenchBareTimers", "bare timers", &WindowProc);
  if (window == nullptr) return 1;
  ::SetTimer(window, 1, 200, nullptr);
  ::SetTimer(window, 2, 100, nullptr);
  ::SetTimer(window, 3, 1000, nullptr);
  return kprt5::bench::RunBareMessageLoop();
}
