#pragma once
#include <cstdint>

#include "skype/skype_link.h"
#include "skype/skype_transport.h"
#include "skype/window_handle.h"

namespace kprt5 {

inline constexpr std::intptr_t kAttachSuccess = 0;
inline constexpr std::intptr_t kAttachApiAvailable = 0x8001;
inline constexpr std::size_t kAudioNameAreaSize = 256;

enum class HandsetAudioProperty : int { Input = 1, Output = 2 };

// Names the handset's audio devices: writes the name for `property` into `area` as a zero-terminated
// text, or leaves the area untouched when no such device is found.
class HandsetAudioNames {
 public:
  virtual ~HandsetAudioNames() = default;
  virtual void LookupHandsetAudioName(char (&area)[kAudioNameAreaSize], HandsetAudioProperty property) = 0;
};

// Skype's attach message: `skypeWindow` is its wParam, `status` its lParam. Status 0 records the
// window, sends "FOCUS" and the three audio-device commands, and returns true (handled, result 1).
// Status 0x8001 broadcasts the discover message and returns false; every other status does nothing
// and returns false. A false result means the message still gets default processing.
bool HandleSkypeAttach(SkypeLink& link, WindowHandle skypeWindow, std::intptr_t status,
                       SkypeTransport& transport, HandsetAudioNames& audioNames);

}  // namespace kprt5
