#pragma once
// What Wine's notification area shows: the pixels of the icons in its standalone tray window,
// read from the test process (the tray lives on the same desktop).
#include <optional>
#include <string>

namespace e2e {

// The picture of one tray icon, summed up by colour.
struct TrayPicture {
  int redPixels = 0;    // strongly red pixels: the not-ready image's prohibition sign
  int drawnPixels = 0;  // pixels that differ from the icon window's background corner
};

// The first icon of the standalone tray, or nothing when no icon window is there.
std::optional<TrayPicture> CaptureTrayIcon();

// The tray's first icon shows the not-ready image (its red sign: about 47 strongly red pixels) or
// the ready image (none of its own). Wine's tray draws a new image over the old one without erasing
// it, so where the ready image is transparent up to about 10 red pixels of the sign stay visible.
bool TrayShowsNotReady();
bool TrayShowsReady();

// The picture for a failure message, e.g. "red 0, drawn 120" or "no icon".
std::string DescribeTrayIcon();

}  // namespace e2e
