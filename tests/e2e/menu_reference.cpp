#include "menu_reference.h"

#include <memory>

#include "tray_input.h"
#include "wide_text.h"

namespace e2e {
namespace {

struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};

MenuPicture* capturing = nullptr;
HMENU capturingMenu = nullptr;
std::vector<std::uint32_t> lastCapture;
int ticksLeft = 0;
constexpr POINT kReferenceMenuSpot{400, 300};

void CALLBACK CaptureWhenDrawn(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = WaitForPopupMenu(GetCurrentProcessId(), std::chrono::milliseconds(0));
  if (--ticksLeft < 0) EndMenu();  // never drawn: give up rather than hang the test
  if (popup == nullptr || capturing == nullptr) return;
  MoveCursorTo(CenterOf(popup));  // as the program's menu is looked at: the middle item highlighted
  // The menu opened under the cursor, on its first item: until the move has reached the menu, the
  // highlight is elsewhere.
  const bool middleHighlighted = (GetMenuState(capturingMenu, 1, MF_BYPOSITION) & MF_HILITE) != 0 &&
                                 (GetMenuState(capturingMenu, 0, MF_BYPOSITION) & MF_HILITE) == 0;
  if (!middleHighlighted) {
    lastCapture.clear();
    return;
  }
  // Drawn once two reads in a row agree.
  std::vector<std::uint32_t> now = ScreenPixels(popup);
  if (!now.empty() && now == lastCapture) {
    RECT rect{};
    GetWindowRect(popup, &rect);
    capturing->size = {rect.right - rect.left, rect.bottom - rect.top};
    capturing->pixels = std::move(now);
    EndMenu();
    return;
  }
  lastCapture = std::move(now);
}

}  // namespace

MenuPicture DrawReferenceMenu(const ReferenceMenu& menu) {
  std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter> owner(
      CreateWindowExA(0, "STATIC", "menu reference", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
  std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter> popup(CreatePopupMenu());
  UINT command = 1;
  for (const std::string& item : menu.items) AppendMenuW(popup.get(), MF_STRING, command++, Widen(item).c_str());
  SetMenuDefaultItem(popup.get(), 0, TRUE);
  CheckMenuItem(popup.get(), 0, MF_BYPOSITION | (menu.firstChecked ? MF_CHECKED : MF_UNCHECKED));

  MenuPicture picture;
  capturing = &picture;
  capturingMenu = popup.get();
  lastCapture.clear();
  ticksLeft = 100;
  // Opened in open screen, away from the tray, whose window may come up over a menu beside it.
  const POINT cursor = kReferenceMenuSpot;
  MoveCursorTo(cursor);
  SetForegroundWindow(owner.get());
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CaptureWhenDrawn);
  TrackPopupMenu(popup.get(), TPM_NONOTIFY | TPM_RETURNCMD, cursor.x, cursor.y, 0, owner.get(), nullptr);
  KillTimer(nullptr, timer);
  capturing = nullptr;
  capturingMenu = nullptr;
  return picture;
}

}  // namespace e2e
