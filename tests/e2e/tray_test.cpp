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
const std::vector<std::string> kEnglishItems = {"Start&Up", "&About", "&Exit"};

using Calls = std::vector<std::string>;


class TrayTest : public ProgramTest {
 protected:
  // Starts the program and returns its icon's window in the tray.
  HWND StartAndFindIcon() {
    StartProgram();
    HWND icon = nullptr;
    WaitUntil([&] { return (icon = FirstTrayIconWindow()) != nullptr; });
    return icon;
  }
  void CloseMenu() {
    LeftClickAt(kAwayFromMenus);
    ASSERT_TRUE(WaitForNoPopupMenu(program.ProcessId()));
  }
};

// Pixels that differ between two pictures of one size; every pixel when the sizes differ.
std::size_t PixelDistance(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < a.size(); ++i) if (a[i] != b[i]) ++differing;
  return differing;
}

TEST_F(TrayTest, ClickOpensTheMenuAtTheCursorAndExitChosenWithTheMouseEndsTheProgram) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  const POINT click = CenterOf(icon);
  SetCursorPos(click.x, click.y);
  const MenuPicture expected = DrawReferenceMenu({kEnglishItems, true});
  ASSERT_FALSE(expected.pixels.empty());

  Settle();
  handset.ClearLog();
  LeftClickAt(click);
  HWND menu = WaitForPopupMenu(program.ProcessId());
  ASSERT_NE(menu, nullptr) << "releasing the left button over the icon opens the menu";
  RECT rect{};
  GetWindowRect(menu, &rect);
  EXPECT_EQ(rect.left, click.x);
  EXPECT_EQ(rect.top, click.y);
  MoveCursorTo(CenterOf(menu));  // the middle item highlighted, as in the reference
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixels(menu) == expected.pixels; }, 3s))
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

// Disabled: comparing the open menu's pixels with a reference menu drawn by the test misses now
// and then under load (where the highlight lands), so the check mark is not yet read reliably.
// Run it with --gtest_also_run_disabled_tests.
TEST_F(TrayTest, DISABLED_CheckMarkFollowsThePerUserValueAtTheMomentOfTheClick) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  const POINT click = CenterOf(icon);
  SetCursorPos(click.x, click.y);
  const MenuPicture checked = DrawReferenceMenu({kEnglishItems, true});
  const MenuPicture unchecked = DrawReferenceMenu({kEnglishItems, false});
  ASSERT_NE(checked.pixels, unchecked.pixels);

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
    const MenuPicture& expected = c.checked ? checked : unchecked;
    const MenuPicture& other = c.checked ? unchecked : checked;
    MoveCursorTo(CenterOf(menu));
    // The two references differ only in the check mark; a highlight that lands differently
    // changes both distances alike, so the menu must lie strictly nearer the expected one.
    EXPECT_TRUE(WaitUntil(
        [&] {
          const std::vector<std::uint32_t> shown = ScreenPixels(menu);
          return shown == expected.pixels ||
                 PixelDistance(shown, expected.pixels) < PixelDistance(shown, other.pixels);
        },
        3s))
        << (c.checked ? "StartUp must carry a check mark" : "StartUp must carry no check mark");
    CloseMenu();
  }
  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// Disabled: under Wine the double-click's first release already opens the menu, whose modal loop
// then takes the double-click message only some of the time, so this flakes in clean runs.
TEST_F(TrayTest, DISABLED_DoubleClickSwitchesStartUp) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  LeftDoubleClickAt(CenterOf(icon));
  EXPECT_TRUE(WaitUntil([] { return ReadUserAutostartValue() == kCompanionPath; }, 5s))
      << ReadUserAutostartValue();
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
