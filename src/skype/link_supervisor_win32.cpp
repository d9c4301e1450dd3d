// Timer 1's link supervisor, shown through the tray icon and tooltip.
#include "app/middleware_window_win32.h"
#include "skype/link_supervisor.h"
#include "skype/skype_transport_win32.h"

namespace kprt5 {

class MiddlewareWindow::SupervisorTray final : public LinkStatusDisplay {
 public:
  explicit SupervisorTray(TrayIcon& tray) : tray_(tray) {}
  void WriteDebugLine(std::string_view text) override { ::OutputDebugStringA(std::string(text).c_str()); }
  std::string LoadText(std::uint32_t stringId) override {
    char text[256] = {};
    ::LoadStringA(::GetModuleHandleA(nullptr), stringId, text, sizeof text);
    return text;
  }
  void SetTrayIcon(std::uint32_t iconId) override { tray_.SetIcon(iconId); }
  void SetTrayTooltip(std::string_view text) override { tray_.SetTooltip(std::string(text).c_str()); }

 private:
  TrayIcon& tray_;
};

void MiddlewareWindow::SuperviseLink() {
  Win32SkypeTransport transport(records_.link, window_);
  SupervisorTray display(tray);
  const SupervisorContext context{records_.supervisor, records_.link, records_.tracker, records_.latches,
                                  transport, display};
  kprt5::SuperviseLink(context);
}

}  // namespace kprt5
