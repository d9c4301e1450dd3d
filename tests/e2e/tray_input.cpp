#include "tray_input.h"

#include <cstring>

#include "program_harness.h"

namespace e2e {
namespace {

void SendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

}  // namespace

void MoveCursorTo(POINT point) {
  // A real move, so that whatever is under the cursor (a menu item) sees the mouse arrive.
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
  input.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
  WaitUntil([&] {
    POINT now{};
    GetCursorPos(&now);
    return now.x == point.x && now.y == point.y;
  }, 2s);
}

namespace {

struct WindowSearch {
  DWORD processId;
  const char* className;
  HWND except;
  HWND found;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || window == search->except || std::strcmp(className, search->className) != 0 ||
      !IsWindowVisible(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindPopupMenu(DWORD processId) { return FindVisibleWindow(processId, "#32768"); }

}  // namespace

HWND FindVisibleWindow(DWORD processId, const char* className, HWND except) {
  WindowSearch search{processId, className, except, nullptr};
  EnumWindows(&MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FirstTrayIconWindow() {
  HWND tray = FindWindowExA(nullptr, nullptr, "__winex11_standalone_tray", nullptr);
  return tray == nullptr ? nullptr : FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr);
}

POINT CenterOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void LeftClickAt(POINT point) {
  MoveCursorTo(point);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

void RightClickAt(POINT point) {
  MoveCursorTo(point);
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  SendMouse(MOUSEEVENTF_RIGHTUP);
}

void LeftDoubleClickAt(POINT point) {
  MoveCursorTo(point);
  for (int i = 0; i < 2; ++i) {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
  }
}

void PressKey(WORD virtualKey) {
  INPUT inputs[2] = {};
  inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = inputs[1].ki.wVk = virtualKey;
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof inputs[0]);
}

HWND WaitForPopupMenu(DWORD processId, std::chrono::milliseconds timeout) {
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindPopupMenu(processId)) != nullptr; }, timeout);
  return menu;
}

bool WaitForNoPopupMenu(DWORD processId, std::chrono::milliseconds timeout) {
  return WaitUntil([&] { return FindPopupMenu(processId) == nullptr; }, timeout);
}

bool WaitForWindowSize(HWND window, SIZE size, std::chrono::milliseconds timeout) {
  return WaitUntil([&] {
    RECT rect{};
    return GetWindowRect(window, &rect) && rect.right - rect.left == size.cx && rect.bottom - rect.top == size.cy;
  }, timeout);
}

std::vector<std::uint32_t> ScreenPixels(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  std::vector<std::uint32_t> pixels;
  HDC screen = GetDC(nullptr);
  for (LONG y = rect.top; y < rect.bottom; ++y)
    for (LONG x = rect.left; x < rect.right; ++x) pixels.push_back(GetPixel(screen, x, y));
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<std::uint32_t> StablePixels(HWND window) {
  std::vector<std::uint32_t> last = ScreenPixels(window);
  std::vector<std::uint32_t> now;
  const bool stable = WaitUntil([&] {
    Sleep(50);  // between two reads: a repaint in progress shows as a difference
    now = ScreenPixels(window);
    if (now == last && !now.empty()) return true;
    last = now;
    return false;
  }, 3s);
  return stable ? now : std::vector<std::uint32_t>{};
}

}  // namespace e2e
