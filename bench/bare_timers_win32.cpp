// The least a resident program with the middleware's three timers costs while idle: 200 ms and
// 1000 ms timers that do nothing, and a 100 ms timer killed at its first tick.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == 2) ::KillTimer(window, 2);
      return 0;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "KPRT5BenchBareTimers";
  if (::RegisterClassA(&windowClass) == 0) return 1;
  HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, "bare timers", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::SetTimer(window, 1, 200, nullptr);
  ::SetTimer(window, 2, 100, nullptr);
  ::SetTimer(window, 3, 1000, nullptr);
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
