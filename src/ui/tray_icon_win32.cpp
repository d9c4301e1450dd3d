#include "ui/tray_icon_win32.h"

#include <cstddef>
#include <cstring>

#include "resource.h"
#include "ui/startup_flag.h"
#include "ui/tray_action.h"

namespace kprt5 {
namespace {

// The 488-byte record of shell version 5: everything up to dwInfoFlags.
constexpr DWORD kNotifyDataSize = 488;
static_assert(offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD) == kNotifyDataSize);

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "VizeRizozMiddleware";

void CopyTooltip(char (&tip)[128], const char* text) {
  std::memset(tip, 0, sizeof tip);
  if (text == nullptr) return;
  // Longer texts are cut so that the area always keeps its terminating zero.
  std::strncpy(tip, text, sizeof tip - 1);
}

}  // namespace

TrayIcon::TrayIcon() {
  ReadStartupFlag();
  std::memset(&notifyData_, 0, sizeof notifyData_);
  iconAdded_ = 0;
}

void TrayIcon::ReadStartupFlag() {
  char value[256] = {};
  DWORD size = sizeof value;
  bool read = false;
  HKEY rawKey = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &rawKey) == ERROR_SUCCESS) {
    UniqueRegistryKey key(rawKey);
    read = ::RegQueryValueExA(key.Get(), kAutostartValue, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
  }
  startupEnabled_ = read && AutostartValueNamesMiddleware(value, size) ? 1 : 0;
}

BOOL TrayIcon::Add(HWND window, UINT callbackMessage, const char* tooltip, HICON icon, UINT identifier) {
  if (LOBYTE(LOWORD(::GetVersion())) < 4 || window == nullptr || !::IsWindow(window)) {
    iconAdded_ = 0;
    return FALSE;
  }
  notifyData_.cbSize = kNotifyDataSize;
  notifyData_.hWnd = window;
  notifyData_.uID = identifier;
  notifyData_.uCallbackMessage = callbackMessage;
  notifyData_.hIcon = icon;
  notifyData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  CopyTooltip(notifyData_.szTip, tooltip);
  iconAdded_ = ::Shell_NotifyIconA(NIM_ADD, &notifyData_);
  return iconAdded_;
}

BOOL TrayIcon::SetIcon(UINT iconResource) {
  UniqueIcon image(static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconResource),
                                                   IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
  if (iconAdded_ == 0) return FALSE;
  notifyData_.uFlags = NIF_ICON;
  notifyData_.hIcon = image.Get();
  const BOOL result = ::Shell_NotifyIconA(NIM_MODIFY, &notifyData_);
  // The area now shows the new image; the one shown before is no longer needed.
  shownImage_ = std::move(image);
  return result;
}

BOOL TrayIcon::SetTooltip(const char* text) {
  if (iconAdded_ == 0) return FALSE;
  notifyData_.uFlags = NIF_TIP;
  CopyTooltip(notifyData_.szTip, text);
  return ::Shell_NotifyIconA(NIM_MODIFY, &notifyData_);
}

BOOL TrayIcon::Remove() {
  removed_ = true;
  return ::Shell_NotifyIconA(NIM_DELETE, &notifyData_);
}

BOOL TrayIcon::Restore() {
  if (iconAdded_ == 0 || removed_) return FALSE;
  // notifyData still holds the window, identifier, callback, the image last set and the tooltip.
  notifyData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  return ::Shell_NotifyIconA(NIM_ADD, &notifyData_);
}

LRESULT TrayIcon::OnCallback(WPARAM identifier, LPARAM mouseMessage) {
  ReadStartupFlag();
  char startupText[256] = {};
  ::LoadStringA(::GetModuleHandleA(nullptr), IDS_STARTUP, startupText, sizeof startupText);
  const TrayAction action = DecideTrayAction(static_cast<unsigned>(identifier), notifyData_.uID,
                                             LOWORD(static_cast<DWORD>(mouseMessage)));
  if (action == TrayAction::NotOurs) return 0;
  if (action == TrayAction::Ignore) return 1;

  UniqueMenu menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(notifyData_.uID)));
  if (!menu) return 0;
  HMENU popup = ::GetSubMenu(menu.Get(), 0);
  if (popup == nullptr) return 0;
  HWND owner = notifyData_.hWnd;

  if (action == TrayAction::DefaultCommand) {
    ::SetForegroundWindow(owner);
    ::SendMessageA(owner, WM_COMMAND, static_cast<WPARAM>(::GetMenuItemID(popup, 0)), 0);
    return 1;
  }

  const UINT checkMark = static_cast<UINT>(startupEnabled_ == 1 ? MF_CHECKED : MF_UNCHECKED);
  ::ModifyMenuA(popup, ID_TRAY_STARTUP, static_cast<UINT>(MF_BYCOMMAND | MF_STRING) | checkMark, ID_TRAY_STARTUP,
                startupText);
  // After the replacement: replacing an item sets its whole state, which would drop the default mark.
  ::SetMenuDefaultItem(popup, 0, TRUE);
  POINT cursor{};
  ::GetCursorPos(&cursor);
  ::SetForegroundWindow(owner);
  ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr);
  ::PostMessageA(owner, WM_NULL, 0, 0);
  return 1;
}

}  // namespace kprt5
