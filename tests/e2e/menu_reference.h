#pragma once
// A popup menu drawn by this test process with texts of our choosing, to compare pixel for pixel
// with the program's menu: menus of another process cannot be read under Wine, but two menus with
// the same items, default item and check marks look the same on the same screen.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct ReferenceMenu {
  std::vector<std::string> items;  // UTF-8 texts, in order
  bool firstChecked = false;
};

// Opens the menu with its first item as default, as the program does, in open screen, waits until
// it is drawn with the cursor resting on its middle item, and returns its pixels (ScreenPixels of its window) and its size.
struct MenuPicture {
  SIZE size{};
  std::vector<std::uint32_t> pixels;
};
MenuPicture DrawReferenceMenu(const ReferenceMenu& menu);

}  // namespace e2e
