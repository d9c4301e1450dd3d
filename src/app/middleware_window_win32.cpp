// The main window's message table, initialisation, hiding and showing, and shutdown.
#include "app/middleware_window_win32.h"

#include "resource.h"
#include "ui/about_box_win32.h"
#include "ui/autostart_win32.h"
#include "zu_vaz.h"

namespace kprt5 {
namespace {

constexpr UINT_PTR kSupervisorTimer = 1;
constexpr UINT_PTR kHideTimer = 2;
constexpr UINT_PTR kUninstallTimer = 3;
constexpr UINT kMixerControlChange = 977;  // MM_MIXM_CONTROL_CHANGE from a mixer left open

std::string LoadResourceString(UINT id) {
  char text[256] = {};
  ::LoadStringA(::GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

}  // namespace

MiddlewareWindow::MiddlewareWindow(ProcessRecords& records)
    : windowIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_NOT_READY))), records_(records) {}

INT_PTR MiddlewareWindow::RunModal() {
  return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, &DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MiddlewareWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<MiddlewareWindow*>(lParam);
    self->window_ = window;
    self->dialogWindowProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MiddlewareWindow::WindowProc)));
  }
  auto* self = reinterpret_cast<MiddlewareWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return FALSE;
  try {
    return self->HandleDialogMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing may escape into the system's dialog machinery; the message gets default processing.
    return FALSE;
  }
}

// A dialog hands its procedure's result back through the window's DWLP_MSGRESULT, which Wine
// keeps in the wineserver: the dialog manager clears it before and the procedure sets it after each
// message it handles, two requests to the server. A notification comes many times a second, so its
// result, 1, is returned from here instead; the sender sees the same answer. Whatever is not a
// Skype notification, a WM_COPYDATA from another window included, takes the dialog's way, through
// the message table to the same dispatch.
LRESULT CALLBACK MiddlewareWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MiddlewareWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || self->dialogWindowProc_ == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  // The dispatch answers Skype's notifications and leaves any other sender's WM_COPYDATA alone.
  if (message == WM_COPYDATA) {
    try {
      if (const std::optional<LRESULT> handled = self->DispatchWindowMessage(message, wParam, lParam)) return *handled;
    } catch (...) {
      return 0;  // what the dialog's default processing answers, as when DialogProc catches one
    }
  }
  return ::CallWindowProcA(self->dialogWindowProc_, window, message, wParam, lParam);
}

INT_PTR MiddlewareWindow::HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(windowIcon);
    case WM_DEVICECHANGE:
      // The library hears every device-change notice before the window's own dispatch.
      HidOnDeviceChange(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
      break;
    default:
      break;
  }
  std::optional<LRESULT> result = HandleTableMessage(message, wParam, lParam);
  if (!result) result = DispatchWindowMessage(message, wParam, lParam);
  if (!result) return FALSE;
  ::SetWindowLongPtrA(window_, DWLP_MSGRESULT, *result);
  return TRUE;
}

BOOL MiddlewareWindow::OnInitDialog() {
  BindPanelControls();
  ShowValues();
  RegisterAutostart();

  if (HMENU systemMenu = ::GetSystemMenu(window_, FALSE)) {
    const std::string aboutText = LoadResourceString(IDS_ABOUTBOX);
    if (!aboutText.empty()) {
      ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText.c_str());
    }
  }

  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowIcon));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowIcon));

  ::GetWindowRect(window_, &savedRect);
  ::MoveWindow(window_, 0, 0, 0, 0, TRUE);

  const std::string tooltip = LoadResourceString(IDS_TRAY_TIP);
  if (tray.Add(window_, WM_TRAY_CALLBACK, tooltip.c_str(), nullptr, IDR_TRAY_MENU) == 0) return FALSE;
  tray.SetIcon(IDI_NOT_READY);

  ApplyPanelDefaults();

  if (IsHandsetPresent()) {
    SelectHandsetAudio();
    DisableHandsetMicAgc();
  }

  ::SetTimer(window_, kSupervisorTimer, 200, nullptr);
  ::SetTimer(window_, kHideTimer, 100, nullptr);
  ::SetTimer(window_, kUninstallTimer, 1000, nullptr);

  ToggleMonitor();
  return TRUE;
}

std::optional<LRESULT> MiddlewareWindow::HandleTableMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == taskbarCreatedMessage_ && taskbarCreatedMessage_ != 0) {
    tray.Restore();
    return 0;
  }
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        ShowAboutBox();
        return 0;
      }
      return std::nullopt;
    case WM_PAINT:
      if (OnPaintMinimised()) return 0;
      return std::nullopt;
    case WM_DESTROY:
      OnShutdown();
      return std::nullopt;
    case WM_COMMAND:
      // A control's notification that arrives while the panel exchanges values (a refusal prompt
      // pumps messages) is ignored, whichever control sent it.
      if (exchanging_ && lParam != 0) return 0;
      return HandleCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
      OnTimer(wParam);
      return std::nullopt;  // every tick also gets default processing
    case WM_TRAY_CALLBACK:
      return tray.OnCallback(wParam, lParam);
    case kMixerControlChange:
      return 0;
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> MiddlewareWindow::HandleCommand(WORD command, WORD notification) {
  if (std::optional<LRESULT> handled = HandlePanelCommand(command, notification)) return handled;
  switch (command) {
    case IDOK:
      HideSavingRect();
      return 0;
    case IDCANCEL:
      ::ShowWindow(window_, SW_HIDE);
      return 0;
    case ID_TRAY_ABOUT:
      ShowAboutBox();
      return 0;
    case ID_TRAY_EXIT:
      Exit();
      return 0;
    case ID_SHOW_WINDOW:
      ShowAtSavedRect();
      return 0;
    case ID_TRAY_STARTUP:
      tray.SetStartup(tray.IsStartupEnabled() == 0 ? 1 : 0);
      return 0;
    default:
      return std::nullopt;
  }
}

void MiddlewareWindow::OnTimer(UINT_PTR timer) {
  switch (timer) {
    case kSupervisorTimer:
      SuperviseLink();
      break;
    case kHideTimer:
      ::KillTimer(window_, kHideTimer);
      ::ShowWindow(window_, SW_HIDE);
      break;
    case kUninstallTimer:
      if (IsUninstalled()) {
        tray.Remove();
        EndWithOk();
      }
      break;
    default:
      break;
  }
}

bool MiddlewareWindow::OnPaintMinimised() {
  if (!::IsIconic(window_)) return false;
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window_, &paint);
  ::SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  ::GetClientRect(window_, &client);
  const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, windowIcon);
  ::EndPaint(window_, &paint);
  return true;
}

void MiddlewareWindow::HideSavingRect() {
  ::GetWindowRect(window_, &savedRect);
  ::ShowWindow(window_, SW_HIDE);
}

void MiddlewareWindow::ShowAtSavedRect() {
  ::ShowWindow(window_, SW_SHOW);
  ::MoveWindow(window_, savedRect.left, savedRect.top, savedRect.right - savedRect.left,
               savedRect.bottom - savedRect.top, TRUE);
}

void MiddlewareWindow::EndWithOk() {
  // The standard OK ending: the panel's fields are read back, and only when they all validate
  // does the modal run end.
  if (TakeValues()) ::EndDialog(window_, IDOK);
}

void MiddlewareWindow::Exit() {
  tray.Remove();
  ::KillTimer(window_, kSupervisorTimer);
  EndWithOk();
}

void MiddlewareWindow::OnShutdown() {
  tray.Remove();
  HidStopKeyScan();
  RestoreDefaultAudio();
  HidStopMonitor();
  handsetMixer_.Reset();
}

}  // namespace kprt5
