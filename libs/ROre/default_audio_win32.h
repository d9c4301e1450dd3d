// Making the handset the system's default audio device and handing the default back, per
// direction and role, through the policy-configuration interface.
#pragma once

#include <string_view>

namespace kprt5::rore {

// VistaSetDefaultAudio through Core Audio.
// Mode 0: for render and capture, every role (console, multimedia, communications) whose default
// is not the handset's endpoint is remembered and made the handset's; 1 when at least one of the
// handset's endpoints was found and every change needed was made.
// Mode 1: every remembered role that the handset's endpoint still holds gets back what it held
// before; roles the user or the system has moved since stay as they are; 1 when everything due was
// put back (nothing due counts). The device text is not needed for it.
// 0, with nothing changed and nothing remembered or forgotten, where the policy interface cannot be
// had (Wine), and for another mode.
int DefaultAudio(int mode, std::string_view deviceText);

}  // namespace kprt5::rore
