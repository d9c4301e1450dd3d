#pragma once
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "skype_peer/window_handle.h"

namespace skype_peer {

// A top-level window of class "TApplication" on a thread of its own, as Skype's application
// window is, counting the WM_CLOSE messages it gets. By default it stays open on them.
class TApplicationWindow {
 public:
  explicit TApplicationWindow(std::string title = "Skype");
  ~TApplicationWindow();
  TApplicationWindow(const TApplicationWindow&) = delete;
  TApplicationWindow& operator=(const TApplicationWindow&) = delete;

  Hwnd Window() const;
  bool IsOpen() const;
  // True: a WM_CLOSE gets default processing, which destroys the window.
  void SetClosesOnClose(bool closes);
  std::size_t CloseCount() const;
  bool WaitForCloses(std::size_t count, std::chrono::milliseconds timeout) const;
  // Waits until the window has been destroyed (after a WM_CLOSE while it closes on them).
  bool WaitForDestroyed(std::chrono::milliseconds timeout) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace skype_peer
