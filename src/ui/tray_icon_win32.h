#pragma once
#include <windows.h>
#include <shellapi.h>

#include "app/win32_handles.h"

namespace kprt5 {

// The notification-area icon of the main window: added once, its image and tooltip switched by the
// link supervisor, its mouse events turned into the popup menu or the menu's first command.
class TrayIcon {
 public:
  TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  BOOL Add(HWND window, UINT callbackMessage, const char* tooltip, HICON icon, UINT identifier);
  BOOL SetIcon(UINT iconResource);
  BOOL SetTooltip(const char* text);
  BOOL Remove();
  // Adds the icon again with the image and tooltip it showed, after the notification area was
  // recreated ("TaskbarCreated"); nothing when it was never added or has been removed.
  BOOL Restore();
  LRESULT OnCallback(WPARAM identifier, LPARAM mouseMessage);
  int IsStartupEnabled() const { return startupEnabled_; }
  void SetStartup(int flag);
  void ReadStartupFlag();

 private:
  LRESULT OpenPopupMenu(HMENU popup);

  NOTIFYICONDATAA notifyData_{};
  int iconAdded_ = 0;
  bool removed_ = false;  // Remove was called: a recreated notification area does not bring it back
  int startupEnabled_ = 0;
  // The image the notification area shows; released when the next one replaces it. Destroying the
  // tray object does not remove the icon, so the image outlives nothing that still needs it.
  UniqueIcon shownImage_;
};

}  // namespace kprt5
