#include "skype_peer/copy_data_win32.h"
#include "skype_peer/foreign_window.h"
#include "skype_peer/window_thread_win32.h"

namespace skype_peer {

namespace {
constexpr std::chrono::milliseconds kSendTimeout{5000};
}

struct ForeignWindow::Impl {
  WindowThread window{"SkypePeerForeignWindow", "Foreign window",
                      [](HWND, UINT, WPARAM, LPARAM) { return std::optional<LRESULT>(); }};
};

ForeignWindow::ForeignWindow() : impl_(std::make_unique<Impl>()) {}
ForeignWindow::~ForeignWindow() = default;

Hwnd ForeignWindow::Window() const { return impl_->window.Window(); }

bool ForeignWindow::Send(Hwnd target, std::string_view text) {
  SendOutcome outcome;
  impl_->window.Run(
      [&](HWND self) { outcome = SendCopyDataText(target, self, text, kSendTimeout); });
  return outcome.Accepted();
}

std::optional<std::intptr_t> ForeignWindow::SendRaw(Hwnd target,
                                                    std::span<const std::uint8_t> bytes,
                                                    std::uint32_t cbData, bool lpDataNull,
                                                    std::uintptr_t dwData) {
  SendOutcome outcome;
  impl_->window.Run([&](HWND self) {
    outcome = SendCopyDataRaw(target, self, bytes, cbData, lpDataNull, dwData, kSendTimeout);
  });
  if (!outcome.sent) return std::nullopt;
  return outcome.answer;
}

}  // namespace skype_peer
