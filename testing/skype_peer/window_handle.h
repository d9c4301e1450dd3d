#pragma once
// The window handle type of <windows.h> (a pointer to the opaque struct HWND__), named without
// pulling <windows.h> into every user of the doubles.
struct HWND__;

namespace skype_peer {
using Hwnd = HWND__*;
}  // namespace skype_peer
