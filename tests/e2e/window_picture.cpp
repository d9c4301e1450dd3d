#include "window_picture.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "tray_input.h"

namespace e2e {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void SaveWindowPicture(HWND window, const std::string& name) {
  const char* folder = std::getenv("KPRT5_E2E_PICTURES");
  if (folder == nullptr || *folder == '\0' || window == nullptr) return;
  RECT rect{};
  if (!GetWindowRect(window, &rect)) return;
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  const std::vector<std::uint32_t> pixels = ScreenPixels(window);  // COLORREFs, row by row from the top
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return;

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;  // top-down rows
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  std::vector<std::uint8_t> bits;
  bits.reserve(pixels.size() * 4);
  for (const std::uint32_t colour : pixels) {
    bits.push_back(GetBValue(colour));
    bits.push_back(GetGValue(colour));
    bits.push_back(GetRValue(colour));
    bits.push_back(0);
  }
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = static_cast<DWORD>(header.bfOffBits + bits.size());

  const std::string path = std::string(folder) + "\\" + name + ".bmp";
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return;
  std::fwrite(&header, sizeof header, 1, file.get());
  std::fwrite(&info, sizeof info, 1, file.get());
  std::fwrite(bits.data(), 1, bits.size(), file.get());
}

}  // namespace e2e
