#pragma once
// Mouse input on Wine's notification area and the program's popup menu, and pixel reads of the
// screen: the tray icon windows live in explorer, the popup menu is a top-level window of its own.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;

// The first icon window of Wine's standalone tray; null when there is none.
HWND FirstTrayIconWindow();
POINT CenterOf(HWND window);

// Moves the cursor to `point` and presses and releases a button there, as a user's hand would.
void MoveCursorTo(POINT point);
void LeftClickAt(POINT point);
void RightClickAt(POINT point);
void LeftDoubleClickAt(POINT point);
void PressKey(WORD virtualKey);

// Empty screen: a click here closes an open menu.
inline constexpr POINT kAwayFromMenus{900, 700};

// A visible top-level window of `processId` with this class, other than `except`; null when none.
HWND FindVisibleWindow(DWORD processId, const char* className, HWND except = nullptr);

// A visible popup menu window (class "#32768") of `processId`; null when none appears in time.
HWND WaitForPopupMenu(DWORD processId, std::chrono::milliseconds timeout = 5s);
bool WaitForNoPopupMenu(DWORD processId, std::chrono::milliseconds timeout = 5s);
// Waits until `window` has this size: a menu window shows before it has its final size, so its
// middle is only known then.
bool WaitForWindowSize(HWND window, SIZE size, std::chrono::milliseconds timeout = 5s);

// The screen's pixels inside `window` (0x00RRGGBB, row by row).
std::vector<std::uint32_t> ScreenPixels(HWND window);
// The pixels once two reads in a row agree (the window has finished drawing); empty after 3 s
// without agreement.
std::vector<std::uint32_t> StablePixels(HWND window);

}  // namespace e2e
