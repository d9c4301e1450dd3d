#pragma once
// Pictures of windows on the screen for a person to look at: when KPRT5_E2E_PICTURES names a
// folder (a Windows path, e.g. Z:\tmp\pictures), scenarios save what they checked there as bitmaps.
#include <windows.h>

#include <string>

namespace e2e {

// Saves the screen inside `window` as <folder>\<name>.bmp; does nothing when no folder is named.
void SaveWindowPicture(HWND window, const std::string& name);

}  // namespace e2e
