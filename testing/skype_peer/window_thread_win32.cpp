#include "window_thread_win32.h"

#include <future>
#include <memory>
#include <stdexcept>

namespace skype_peer {

namespace {

// Private messages of the window's own thread; the lParam is a key into the task table, so a
// stray message from another process carrying these numbers finds no task and does nothing.
constexpr UINT kRunTaskMessage = WM_APP + 0x100;
constexpr UINT kPostedTaskMessage = WM_APP + 0x101;

// One registration of a window class for the process, undone at exit.
class ClassRegistration {
 public:
  ClassRegistration(const std::string& name, WNDPROC procedure) : name_(name) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name_.c_str();
    registered_ = RegisterClassExA(&windowClass) != 0;
  }
  ~ClassRegistration() {
    if (registered_) UnregisterClassA(name_.c_str(), GetModuleHandleA(nullptr));
  }
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;

 private:
  std::string name_;
  bool registered_ = false;
};

thread_local WindowThread* currentWindowThread = nullptr;

void EnsureWindowClass(const std::string& name, WNDPROC procedure) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<ClassRegistration>> classes;
  const std::lock_guard lock(mutex);
  if (!classes.contains(name))
    classes.emplace(name, std::make_unique<ClassRegistration>(name, procedure));
}

}  // namespace

WindowThread::WindowThread(std::string className, std::string title, Handler handler)
    : className_(std::move(className)), title_(std::move(title)), handler_(std::move(handler)) {
  std::promise<HWND> ready;
  auto created = ready.get_future();
  thread_ = std::thread([this, &ready] { Loop(ready); });
  window_ = created.get();
  if (window_ == nullptr) {
    thread_.join();
    throw std::runtime_error("cannot create a window of class " + className_);
  }
}

WindowThread::~WindowThread() {
  Run([](HWND window) { DestroyWindow(window); });
  if (thread_.joinable()) thread_.join();
}

bool WindowThread::IsOpen() const { return IsWindow(window_) != FALSE; }

WindowThread* WindowThread::Current() { return currentWindowThread; }

void WindowThread::Loop(std::promise<HWND>& ready) {
  threadId_ = GetCurrentThreadId();
  currentWindowThread = this;
  EnsureWindowClass(className_, &WindowThread::Procedure);
  HWND window = CreateWindowExA(0, className_.c_str(), title_.c_str(), WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, GetModuleHandleA(nullptr), this);
  ready.set_value(window);
  if (window == nullptr) return;
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  {
    const std::lock_guard lock(endMutex_);
    ended_ = true;
  }
  endChanged_.notify_all();
}

bool WindowThread::WaitForEnd(std::chrono::milliseconds timeout) {
  std::unique_lock lock(endMutex_);
  return endChanged_.wait_for(lock, timeout, [this] { return ended_; });
}

bool WindowThread::Run(const std::function<void(HWND)>& task) {
  if (GetCurrentThreadId() == threadId_) {
    if (!IsOpen()) return false;
    task(window_);
    return true;
  }
  bool ran = false;
  std::uint32_t key = 0;
  {
    const std::lock_guard lock(tasksMutex_);
    key = nextTaskKey_++;
    tasks_.emplace(key, [&task, &ran](HWND window) {
      ran = true;
      task(window);
    });
  }
  SendMessageA(window_, kRunTaskMessage, 0, static_cast<LPARAM>(key));
  const std::lock_guard lock(tasksMutex_);
  tasks_.erase(key);  // still there when the window was gone before it could run
  return ran;
}

bool WindowThread::Post(std::function<void(HWND)> task) {
  std::uint32_t key = 0;
  {
    const std::lock_guard lock(tasksMutex_);
    key = nextTaskKey_++;
    tasks_.emplace(key, std::move(task));
  }
  if (PostMessageA(window_, kPostedTaskMessage, 0, static_cast<LPARAM>(key)) != FALSE) return true;
  const std::lock_guard lock(tasksMutex_);
  tasks_.erase(key);
  return false;
}

std::optional<std::function<void(HWND)>> WindowThread::TakeTask(LPARAM key) {
  const std::lock_guard lock(tasksMutex_);
  const auto found = tasks_.find(static_cast<std::uint32_t>(key));
  if (found == tasks_.end()) return std::nullopt;
  auto task = std::move(found->second);
  tasks_.erase(found);
  return task;
}

LRESULT CALLBACK WindowThread::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<WindowThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  return self->Handle(window, message, wParam, lParam);
}

LRESULT WindowThread::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunTaskMessage || message == kPostedTaskMessage) {
    if (auto task = TakeTask(lParam)) (*task)(window);
    return 0;
  }
  std::optional<LRESULT> handled;
  if (handler_) {
    try {
      handled = handler_(window, message, wParam, lParam);
    } catch (...) {
      handled.reset();  // a failing handler must not unwind through the window procedure
    }
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return handled ? *handled : DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace skype_peer
