#include "tray_image.h"

#include <windows.h>

#include "tray_input.h"

namespace e2e {
namespace {

// Owners for the GDI objects of one capture.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class MemoryBitmap {
 public:
  MemoryBitmap(HDC compatible, int width, int height)
      : dc_(CreateCompatibleDC(compatible)), bitmap_(CreateCompatibleBitmap(compatible, width, height)) {
    if (dc_ != nullptr && bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryBitmap() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  MemoryBitmap(const MemoryBitmap&) = delete;
  MemoryBitmap& operator=(const MemoryBitmap&) = delete;
  bool Ready() const { return previous_ != nullptr; }
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_ = nullptr;
};

bool IsStrongRed(COLORREF colour) { return GetRValue(colour) > 160 && GetGValue(colour) < 110 && GetBValue(colour) < 110; }

}  // namespace

std::optional<TrayPicture> CaptureTrayIcon() {
  const HWND icon = FirstTrayIconWindow();
  if (icon == nullptr) return std::nullopt;
  RECT client{};
  if (!GetClientRect(icon, &client) || client.right <= 0 || client.bottom <= 0) return std::nullopt;
  // Under Wine the icon window's own device context reads back black; the screen holds what the
  // tray painted.
  POINT origin{0, 0};
  if (!ClientToScreen(icon, &origin)) return std::nullopt;
  const WindowDc screen(nullptr);
  if (screen.Get() == nullptr) return std::nullopt;
  const MemoryBitmap copy(screen.Get(), client.right, client.bottom);
  if (!copy.Ready() ||
      !BitBlt(copy.Dc(), 0, 0, client.right, client.bottom, screen.Get(), origin.x, origin.y, SRCCOPY))
    return std::nullopt;
  TrayPicture picture;
  const COLORREF background = GetPixel(copy.Dc(), 0, 0);
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      const COLORREF colour = GetPixel(copy.Dc(), x, y);
      if (IsStrongRed(colour)) ++picture.redPixels;
      if (colour != background) ++picture.drawnPixels;
    }
  }
  return picture;
}

bool TrayShowsNotReady() {
  const std::optional<TrayPicture> picture = CaptureTrayIcon();
  return picture && picture->redPixels >= 30;
}

bool TrayShowsReady() {
  const std::optional<TrayPicture> picture = CaptureTrayIcon();
  return picture && picture->redPixels < 20 && picture->drawnPixels >= 10;
}

std::string DescribeTrayIcon() {
  const std::optional<TrayPicture> picture = CaptureTrayIcon();
  if (!picture) return "no icon";
  return "red " + std::to_string(picture->redPixels) + ", drawn " + std::to_string(picture->drawnPixels);
}

}  // namespace e2e
