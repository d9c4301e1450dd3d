#pragma once
#include <cstdint>

namespace kprt5 {

// What a tray callback message asks for, decided before any menu is loaded.
enum class TrayAction {
  NotOurs,         // another icon's identifier: the message's result is 0
  OpenMenu,        // left or right button released: the popup menu at the cursor
  DefaultCommand,  // left double-click: the menu's first command
  Ignore,          // any other mouse message: nothing, the result is 1
};

inline constexpr std::uint32_t kMouseLeftButtonUp = 514;      // WM_LBUTTONUP
inline constexpr std::uint32_t kMouseLeftDoubleClick = 515;   // WM_LBUTTONDBLCLK
inline constexpr std::uint32_t kMouseRightButtonUp = 517;     // WM_RBUTTONUP

// `identifier` is the callback's wParam, `iconId` the icon's uID and `mouseMessage` the callback's
// lParam, of which only the low 16 bits name the mouse message.
TrayAction DecideTrayAction(std::uint32_t identifier, std::uint32_t iconId, std::uint32_t mouseMessage);

}  // namespace kprt5
