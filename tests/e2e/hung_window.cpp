#include "hung_window.h"

namespace e2e {
namespace {

constexpr char kHungWindowClass[] = "KPRT5TestHungWindow";

LRESULT CALLBACK HungWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterHungWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &HungWindowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHungWindowClass;
    return RegisterClassExA(&windowClass) != 0;
  }();
  static_cast<void>(registered);
}

}  // namespace

HungTopLevelWindow::HungTopLevelWindow() {
  thread_ = std::thread([this] { Run(); });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return created_; });
}

HungTopLevelWindow::~HungTopLevelWindow() {
  {
    const std::lock_guard lock(mutex_);
    wake_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HungTopLevelWindow::Run() {
  RegisterHungWindowClass();
  // A hidden top-level window (not message-only), as every program on the desktop has one.
  HWND window = CreateWindowExA(0, kHungWindowClass, "Hung program", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  {
    std::unique_lock lock(mutex_);
    window_ = window;
    created_ = true;
    changed_.notify_all();
    // The hang: no message is handled from here until the object goes away.
    changed_.wait(lock, [this] { return wake_; });
  }
  if (window != nullptr) DestroyWindow(window);
}

}  // namespace e2e
