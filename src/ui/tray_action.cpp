#include "ui/tray_action.h"

namespace kprt5 {

TrayAction DecideTrayAction(std::uint32_t identifier, std::uint32_t iconId, std::uint32_t mouseMessage) {
  if (identifier != iconId) return TrayAction::NotOurs;
  switch (mouseMessage & 0xFFFFu) {
    case kMouseLeftButtonUp:
    case kMouseRightButtonUp:
      return TrayAction::OpenMenu;
    case kMouseLeftDoubleClick:
      return TrayAction::DefaultCommand;
    default:
      return TrayAction::Ignore;
  }
}

}  // namespace kprt5
