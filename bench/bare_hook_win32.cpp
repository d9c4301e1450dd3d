// The least a hook-key press can cost: the handset library's callback posts the event to a window,
// and the window sends two WM_COPYDATA commands to the Skype window named on the command line
// ("FOCUS", then the answer for call 12). Nothing else: no tracker, no latches, no tray.
//   bare_hook.exe <Skype window handle, decimal>
#include <windows.h>

#include "bare_window_win32.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "zu_vaz.h"

namespace {

constexpr UINT kDeviceMessageBase = 5120;
constexpr UINT kHookMessage = kDeviceMessageBase + 8;
constexpr UINT kLift = 1;

HWND ownWindow = nullptr;
HWND skypeWindow = nullptr;

void __stdcall OnHandsetEvent(UINT message, UINT wParam, UINT lParam) {
  ::PostMessageA(ownWindow, message, wParam, static_cast<LPARAM>(lParam));
}

void SendCommand(const char* text) {
  COPYDATASTRUCT record{};
  record.cbData = static_cast<DWORD>(std::strlen(text) + 1);
  record.lpData = const_cast<char*>(text);
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutA(skypeWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(ownWindow),
                        reinterpret_cast<LPARAM>(&record), SMTO_NORMAL | SMTO_ABORTIFHUNG, 3000, &answer);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kHookMessage:
      if (wParam == kLift) {
        SendCommand("FOCUS");
        SendCommand("SET CALL 12 STATUS INPROGRESS");
      }
      return 0;
    case WM_DEVICECHANGE:
      // The bench marks the end of each press with a device-change notice, as the program hears it.
      HidOnDeviceChange(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
      return TRUE;
    case WM_COPYDATA:
      return 1;
    default:
      if (kprt5::bench::HandleBareWindowEnd(window, message)) return 0;
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  skypeWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(commandLine, nullptr, 10)));
  ownWindow = kprt5::bench::CreateBareWindow(instance, "KPRT5BenchBareHook", "bare hook", &WindowProc);
  if (ownWindow == nullptr) return 1;
  HidStartMonitor(&OnHandsetEvent, kDeviceMessageBase, kDeviceMessageBase + 1, kDeviceMessageBase + 2,
                  kDeviceMessageBase + 3, kDeviceMessageBase + 4, kDeviceMessageBase + 5, kDeviceMessageBase + 6,
                  kDeviceMessageBase + 7, kDeviceMessageBase + 8, 0x7A3E, 0x01B5);
  kprt5::bench::RunBareMessageLoop();
  HidStopMonitor();
  return 0;
}
