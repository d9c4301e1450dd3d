// The device monitor: starting and stopping the HID library's watch, and carrying its events onto
// the GUI thread.
#include <atomic>

#include "app/middleware_window_win32.h"
#include "device/handset_devices_win32.h"
#include "device/hex_word.h"
#include "resource.h"
#include "zu_vaz.h"

namespace kprt5 {
namespace {

// The library calls back with no context, so its target window is the one true global. Written
// before any start and never cleared.
std::atomic<HWND> callbackWindow{nullptr};

constexpr UINT kFirstDeviceMessage = 5120;
constexpr UINT kReportMessage = 5129;

std::string ReadControlText(HWND dialog, int control) {
  char text[256] = {};
  ::GetDlgItemTextA(dialog, control, text, sizeof text);
  return text;
}

// Runs on the library's thread: it only posts, unchanged, to the window written before the start.
void __stdcall HidEventCallback(UINT message, UINT wParam, UINT lParam) {
  if (HWND target = callbackWindow.load())
    ::PostMessageA(target, message, wParam, static_cast<LPARAM>(lParam));
}

}  // namespace

bool MiddlewareWindow::IsHandsetPresent() const { return kprt5::IsHandsetPresent(); }

void MiddlewareWindow::ToggleMonitor() {
  ::SetDlgItemTextA(window_, IDC_VID, "7A3E");
  ::SetDlgItemTextA(window_, IDC_PID, "01B5");
  TakeValues();
  vendorId = ParseHexWord(ReadControlText(window_, IDC_VID));
  productId = ParseHexWord(ReadControlText(window_, IDC_PID));
  callbackWindow.store(window_);

  if (monitorRunning != 0) {
    HidStopMonitor();
    ::SetDlgItemTextA(window_, IDC_START_MONITOR, "Start Monitor");
    monitorRunning = 0;
    RefreshPanelState();
    return;
  }
  int started = 0;
  if (genericReportMode != 0) {
    started = HidStartReportMonitor(0, &HidEventCallback, kReportMessage, vendorId, productId);
  } else {
    started = HidStartMonitor(&HidEventCallback, kFirstDeviceMessage, kFirstDeviceMessage + 1,
                              kFirstDeviceMessage + 2, kFirstDeviceMessage + 3, kFirstDeviceMessage + 4,
                              kFirstDeviceMessage + 5, kFirstDeviceMessage + 6, kFirstDeviceMessage + 7,
                              kFirstDeviceMessage + 8, vendorId, productId);
  }
  if (started == 0) return;
  ::SetDlgItemTextA(window_, IDC_START_MONITOR, "Stop  Monitor");
  monitorRunning = 1;
  RefreshPanelState();
}

}  // namespace kprt5
