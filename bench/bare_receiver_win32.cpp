// The least a Skype notification can cost: a window that answers every WM_COPYDATA with 1.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return 1;
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
  windowClass.lpszClassName = "KPRT5BenchBareReceiver";
  if (::RegisterClassA(&windowClass) == 0) return 1;
  if (::CreateWindowExA(0, windowClass.lpszClassName, "bare receiver", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        instance, nullptr) == nullptr)
    return 1;
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  return 0;
}
