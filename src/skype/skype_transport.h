#pragma once
#include <string_view>

#include "skype/window_handle.h"

namespace kprt5 {

// The sends of the Skype desktop API. The own window (wParam of every send) is the implementer's:
// the rules never name it.
class SkypeTransport {
 public:
  virtual ~SkypeTransport() = default;

  // One WM_COPYDATA with the plain command `text` (see BuildPlainCommandPayload); true exactly when
  // the receiver answered nonzero in time. A target of 0 is sent to as well and yields false.
  virtual bool SendSkypeCommand(WindowHandle target, std::string_view text) = 0;

  // One WM_COPYDATA with prefix + argument, converted from the ANSI code page to UTF-8 (see
  // FormArgumentCommand and EncodeArgumentCommandPayload); true exactly when the receiver answered nonzero in time.
  virtual bool SendSkypeCommandWithArgument(WindowHandle target, std::string_view prefix,
                                            std::string_view argument) = 0;

  // The discover message to every top-level window, wParam the own window, lParam 0.
  virtual void BroadcastSkypeDiscover() = 0;
};

}  // namespace kprt5
