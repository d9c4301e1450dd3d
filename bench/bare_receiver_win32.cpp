// The least a Skype notification can cost: a window that answers every WM_COPYDATA with 1.
#include <windows.h>

#include "bare_window_win32.h"

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return 1;
    default:
      if (kprt5::bench::HandleBareWindowEnd(window, message)) return 0;
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (kprt5::bench::CreateBareWindow(instance, "KPRT5BenchBareReceiver", "bare receiver", &WindowProc) == nullptr)
    return 1;
  return kprt5::bench::RunBareMessageLoop();
}
