#include <condition_variable>
#include <mutex>

#include "skype_peer/tapplication_window.h"
#include "skype_peer/window_thread_win32.h"

namespace skype_peer {

struct TApplicationWindow::Impl {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::size_t closes = 0;
  bool closesOnClose = false;
  std::unique_ptr<WindowThread> window;

  std::optional<LRESULT> OnMessage(UINT message) {
    if (message != WM_CLOSE) return std::nullopt;
    bool destroy = false;
    {
      const std::lock_guard lock(mutex);
      ++closes;
      destroy = closesOnClose;
    }
    changed.notify_all();
    if (destroy) return std::nullopt;  // default processing destroys the window
    return 0;
  }
};

TApplicationWindow::TApplicationWindow(std::string title) : impl_(std::make_unique<Impl>()) {
  impl_->window = std::make_unique<WindowThread>(
      "TApplication", std::move(title), [impl = impl_.get()](HWND, UINT message, WPARAM, LPARAM) {
        return impl->OnMessage(message);
      });
}

TApplicationWindow::~TApplicationWindow() { impl_->window.reset(); }

Hwnd TApplicationWindow::Window() const { return impl_->window->Window(); }
bool TApplicationWindow::IsOpen() const { return impl_->window->IsOpen(); }

void TApplicationWindow::SetClosesOnClose(bool closes) {
  const std::lock_guard lock(impl_->mutex);
  impl_->closesOnClose = closes;
}

std::size_t TApplicationWindow::CloseCount() const {
  const std::lock_guard lock(impl_->mutex);
  return impl_->closes;
}

bool TApplicationWindow::WaitForCloses(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->changed.wait_for(lock, timeout, [&] { return impl_->closes >= count; });
}

bool TApplicationWindow::WaitForDestroyed(std::chrono::milliseconds timeout) const {
  return impl_->window->WaitForEnd(timeout);
}

}  // namespace skype_peer
