#pragma once
// A top-level window of some other program that has stopped pumping messages: its thread creates
// it, then blocks until the object goes away. Every broadcast and every send to it waits.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace e2e {

class HungTopLevelWindow {
 public:
  // Returns once the window exists and its thread has stopped pumping.
  HungTopLevelWindow();
  ~HungTopLevelWindow();  // wakes the thread, which destroys the window
  HungTopLevelWindow(const HungTopLevelWindow&) = delete;
  HungTopLevelWindow& operator=(const HungTopLevelWindow&) = delete;

  HWND Window() const { return window_; }

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  bool created_ = false;
  bool wake_ = false;
  HWND window_ = nullptr;
  std::thread thread_;
};

}  // namespace e2e
