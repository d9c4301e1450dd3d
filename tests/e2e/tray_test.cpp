// The tray icon under Wine's notification area: the popup menu on a click with the StartUp check
// mark, Exit chosen with the mouse, StartUp on a double-click, and the icon brought back when the
// notification area is recreated.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "menu_reference.h"
#include "program_fixture.h"

#include <shellapi.h>
#include "tray_input.h"
#include "tray_tooltip.h"

namespace e2e {
namespace {

const std::string kMiddlewarePath = "C:\\Program Files (x86)\\ZELT KP-RT5\\MW\\KPRT5.exe";
const std::string kCompanionPath = "C:\\Program Files (x86)\\ZELT KP-RT5\\KPRT6.exe";
constexpr UINT kIconId = 130;
constexpr UINT kTrayCallbackMessage = 1034;  // the icon's callback message to the program's window
const std::vector<std::string> kEnglishItems = {"Start&Up", "&About", "&Exit"};

using Calls = std::vector<std::string>;


class TrayTest : public ProgramTest {
 protected:
  void CloseMenu() {
    LeftClickAt(kAwayFromMenus);
    ASSERT_TRUE(WaitForNoPopupMenu(program.ProcessId()));
  }
};

// The top third of a menu's picture: the StartUp item with its check mark, and none of the
// highlight that rests on the middle item.
std::vector<std::uint32_t> FirstItemStrip(const MenuPicture& picture) {
  const LONG width = picture.size.cx;
  if (width <= 0 || picture.pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(picture.size.cy))
    return {};
  const std::size_t stripSize = static_cast<std::size_t>(width) * static_cast<std::size_t>(picture.size.cy / 3);
  return std::vector<std::uint32_t>(picture.pixels.begin(), picture.pixels.begin() + static_cast<std::ptrdiff_t>(stripSize));
}

// What `menu` shows now, with the size it has now; empty when it changed size meanwhile.
MenuPicture MenuPictureOf(HWND menu) {
  RECT before{};
  RECT after{};
  GetWindowRect(menu, &before);
  std::vector<std::uint32_t> pixels = ScreenPixels(menu);
  GetWindowRect(menu, &after);
  if (!EqualRect(&before, &after)) return {};
  return {{before.right - before.left, before.bottom - before.top}, std::move(pixels)};
}

TEST_F(TrayTest, ClickOpensTheMenuAtTheCursorAndExitChosenWithTheMouseEndsTheProgram) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  const POINT click = CenterOf(icon);
  const MenuPicture expected = DrawReferenceMenu({kEnglishItems, true});
  ASSERT_FALSE(expected.pixels.empty());

  Settle();
  handset.ClearLog();
  LeftClickAt(click);
  HWND menu = WaitForPopupMenu(program.ProcessId());
  ASSERT_NE(menu, nullptr) << "releasing the left button over the icon opens the menu";
  ASSERT_TRUE(WaitForWindowSize(menu, expected.size)) << "the menu has the reference's size";
  RECT rect{};
  GetWindowRect(menu, &rect);
  EXPECT_EQ(rect.left, click.x);
  EXPECT_EQ(rect.top, click.y);
  MoveCursorTo(CenterOf(menu));  // the middle item highlighted, as in the reference
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixels(menu) == expected.pixels; }, 8s))
      << "the menu must show StartUp (checked, default), About and Exit";

  // Exit is the last of three items of equal height.
  LeftClickAt({(rect.left + rect.right) / 2, rect.top + (rect.bottom - rect.top) * 5 / 6});
  ASSERT_TRUE(program.WaitForExit(5s)) << "Exit chosen with the mouse must end the program";
  EXPECT_EQ(program.ExitCode(), 0u);
  EXPECT_TRUE(WaitUntil([] { return TrayIconCount() == 0; }));
  const Calls calls = HandsetCalls();
  const Calls shutdown = {"HidStopKeyScan()", "VistaSetDefaultAudio(1, 1, 1, \"Vid_7a3e&Pid_01b5\")",
                          "HidStopMonitor()"};
  ASSERT_GE(calls.size(), shutdown.size());
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()), shutdown);
}

TEST_F(TrayTest, CheckMarkFollowsThePerUserValueAtTheMomentOfTheClick) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  const POINT click = CenterOf(icon);
  const MenuPicture checkedMenu = DrawReferenceMenu({kEnglishItems, true});
  const std::vector<std::uint32_t> checked = FirstItemStrip(checkedMenu);
  const std::vector<std::uint32_t> unchecked = FirstItemStrip(DrawReferenceMenu({kEnglishItems, false}));
  ASSERT_FALSE(checked.empty());
  ASSERT_NE(checked, unchecked) << "the check mark must show in the first item";

  struct Case {
    std::string value;
    bool checked;
    bool rightButton;
  };
  const Case cases[] = {
      {kCompanionPath, false, false},
      {kMiddlewarePath, true, true},  // the right button opens the same menu
      {"C:\\Program Files (x86)\\ZELT KP-RT5\\MW\\kprt5.EXE", false, false},
      {"PRT5.exe", false, true},
      {"KPRT5.exe", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    SetUserAutostartValue(c.value);
    if (c.rightButton)
      RightClickAt(click);
    else
      LeftClickAt(click);
    HWND menu = WaitForPopupMenu(program.ProcessId());
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitForWindowSize(menu, checkedMenu.size));
    MoveCursorTo(CenterOf(menu));  // off the first item, whose highlight would hide the mark
    const std::vector<std::uint32_t>& expected = c.checked ? checked : unchecked;
    EXPECT_TRUE(WaitUntil([&] { return FirstItemStrip(MenuPictureOf(menu)) == expected; }, 10s))
        << (c.checked ? "StartUp must carry a check mark" : "StartUp must carry no check mark");
    CloseMenu();
  }
  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// The notification area tells the program of a double-click with its callback message. A real
// double-click is not used here: its first release already opens the menu at the cursor, so under
// Wine the second click lands on the menu or on the icon depending on how fast the menu appears.
TEST_F(TrayTest, DoubleClickCallbackSwitchesStartUpBothWays) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  Settle();
  for (const std::string& expected : {kCompanionPath, kMiddlewarePath}) {
    ASSERT_TRUE(SendNotifyMessageA(program.Window(), kTrayCallbackMessage, kIconId, WM_LBUTTONDBLCLK));
    EXPECT_TRUE(WaitUntil([&] { return ReadUserAutostartValue() == expected; }, 5s))
        << "after a double-click the per-user value is \"" << ReadUserAutostartValue() << "\"";
  }
  EXPECT_EQ(WaitForPopupMenu(program.ProcessId(), 0ms), nullptr) << "a double-click opens no menu";
}

TEST_F(TrayTest, TaskbarCreatedBringsTheIconBackWithTheImageAndTooltipItShowed) {
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  const std::string programPath = program.Folder() + "\\KPRT5.exe";
  const std::string ready = ProgramString(programPath, kReadyTooltipId);
  ASSERT_FALSE(ready.empty());
  const std::vector<std::uint32_t> notReadyImage = StablePixels(icon);

  // Ready: Skype attached and the handset plugged in; the icon and tooltip change from those the
  // icon was added with.
  ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
  handset.Plug();
  ASSERT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{ready}; }, 8s))
      << "the tray shows " << (TrayTooltips().empty() ? "no tooltip" : TrayTooltips().front());

  // The notification area loses the icon, then announces itself anew.
  NOTIFYICONDATAA gone{};
  gone.cbSize = sizeof gone;
  gone.hWnd = program.Window();
  gone.uID = kIconId;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
  ASSERT_TRUE(WaitUntil([] { return TrayIconCount() == 0; }));
  PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);

  ASSERT_TRUE(WaitUntil([] { return TrayIconCount() == 1; }, 5s)) << "the icon must come back";
  HWND restored = FirstTrayIconWindow();
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{ready}; }, 3s))
      << "with the ready tooltip";
  // Wine draws a changed image over the old one without erasing, so the first window's pixels are
  // no reference; the new window must show a picture, and not the not-ready one it started with.
  std::vector<std::uint32_t> restoredImage;
  EXPECT_TRUE(WaitUntil([&] {
    restoredImage = StablePixels(restored);
    return !restoredImage.empty() &&
           std::count(restoredImage.begin(), restoredImage.end(), restoredImage.front()) <
               static_cast<std::ptrdiff_t>(restoredImage.size()) &&
           restoredImage != notReadyImage;
  }, 3s)) << "with the ready image";

  // Its callbacks still reach the program: the menu opens, and its Exit ends the program.
  LeftClickAt(CenterOf(restored));
  HWND menu = WaitForPopupMenu(program.ProcessId());
  ASSERT_NE(menu, nullptr);
  RECT rect{};
  GetWindowRect(menu, &rect);
  LeftClickAt({(rect.left + rect.right) / 2, rect.top + (rect.bottom - rect.top) * 5 / 6});
  EXPECT_TRUE(program.WaitForExit(5s));
}

}  // namespace
}  // namespace e2e
