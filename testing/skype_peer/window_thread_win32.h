#pragma once
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace skype_peer {

// A hidden top-level window (never message-only, so it gets broadcasts) living on a thread of its
// own with its own message loop. The handler sees every message; nullopt means default
// processing. The window ends when it is destroyed (by the handler or by the destructor).
class WindowThread {
 public:
  using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

  // Returns once the window exists; throws std::runtime_error when it cannot be made.
  WindowThread(std::string className, std::string title, Handler handler);
  ~WindowThread();
  WindowThread(const WindowThread&) = delete;
  WindowThread& operator=(const WindowThread&) = delete;

  HWND Window() const { return window_; }
  bool IsOpen() const;
  // Runs the task on the window's thread and returns when it is done; false when the window is
  // gone. The calling thread keeps handling messages sent to its own windows meanwhile.
  bool Run(const std::function<void(HWND)>& task);
  // Queues the task for the window's message loop (after the current message has returned).
  bool Post(std::function<void(HWND)> task);
  // Waits until the window is destroyed and its message loop has ended.
  bool WaitForEnd(std::chrono::milliseconds timeout);
  // The WindowThread whose thread is calling; null on any other thread.
  static WindowThread* Current();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Loop(std::promise<HWND>& ready);
  std::optional<std::function<void(HWND)>> TakeTask(LPARAM key);

  std::string className_;
  std::string title_;
  Handler handler_;
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
  std::mutex tasksMutex_;
  std::uint32_t nextTaskKey_ = 1;
  std::map<std::uint32_t, std::function<void(HWND)>> tasks_;
  std::mutex endMutex_;
  std::condition_variable endChanged_;
  bool ended_ = false;
  std::thread thread_;
};

}  // namespace skype_peer
