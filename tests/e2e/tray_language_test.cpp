// The running program speaks its user's language: the tray's tooltips, the popup menu opened by a
// click and the About box, under the locale this test runs in. The default pass runs in English;
// the German and Japanese passes run it again under de_DE.UTF-8 and ja_JP.UTF-8 and name the
// language they expect in KPRT5_E2E_LANGUAGE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "menu_reference.h"
#include "program_fixture.h"
#include "tray_input.h"
#include "tray_tooltip.h"
#include "wide_text.h"
#include "window_picture.h"

namespace e2e {
namespace {

struct LanguageTexts {
  const char* name;  // as KPRT5_E2E_LANGUAGE names it
  WORD primaryLanguage;
  std::vector<std::string> menu;  // StartUp, About, Exit
  std::string ready;
  std::string notReady;
  std::string aboutCaption;
};

const LanguageTexts kEnglish = {"english", LANG_ENGLISH, {"Start&Up", "&About", "&Exit"},
                                "ZELT KP-RT5:Ready", "ZELT KP-RT5:Not Ready", "About ZELT KP-RT5"};
const LanguageTexts kGerman = {"german", LANG_GERMAN, {"Starten(&U)", "Info(&A)", "Beenden(&E)"},
                               "ZELT KP-RT5:Bereit", "ZELT KP-RT5:Nicht Bereit", "Informationen zu ZELT KP-RT5"};
const LanguageTexts kJapanese = {"japanese", LANG_JAPANESE,
                                 {"スタートアップ(&U)", "バージョン情報(&A)", "終了(&E)"},
                                 "ZELT KP-RT5:準備完了", "ZELT KP-RT5:準備ができていません",
                                 "ZELT KP-RT5について"};
const LanguageTexts* const kLanguages[] = {&kEnglish, &kGerman, &kJapanese};

const std::string kMiddlewarePath = "C:\\Program Files (x86)\\ZELT KP-RT5\\MW\\KPRT5.exe";
constexpr UINT kAboutCommand = 32771;

std::string WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return Utf8(text);
}

// Wine picks resources by the user's interface language, which follows the locale.
const LanguageTexts* LanguageOfThisProcess() {
  const WORD primary = PRIMARYLANGID(GetUserDefaultUILanguage());
  for (const LanguageTexts* language : kLanguages)
    if (language->primaryLanguage == primary) return language;
  return nullptr;
}

class TrayLanguageTest : public ProgramTest {
 protected:
  void SetUp() override {
    const char* expected = std::getenv("KPRT5_E2E_LANGUAGE");
    language = LanguageOfThisProcess();
    if (expected != nullptr && *expected != '\0') {
      ASSERT_NE(language, nullptr) << "this pass must run under the " << expected << " locale";
      ASSERT_EQ(std::string(language->name), expected) << "this pass runs under another locale";
    } else if (language == nullptr) {
      GTEST_SKIP() << "runs under English, German or Japanese only";
    }
  }

  static std::string Shown(const std::vector<std::string>& tooltips) {
    return tooltips.empty() ? "no tooltip" : "\"" + tooltips.front() + "\"";
  }

  const LanguageTexts* language = nullptr;
};

TEST_F(TrayLanguageTest, TooltipsAreInTheLanguageOfTheLocale) {
  ASSERT_NE(StartAndFindIcon(), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{language->notReady}; }, 8s))
      << "not ready in " << language->name << "; the tray shows " << Shown(TrayTooltips());

  ASSERT_TRUE(peer.SendAttach(program.Window(), skype_peer::kAttachSuccess));
  handset.Plug();
  EXPECT_TRUE(WaitUntil([&] { return TrayTooltips() == std::vector<std::string>{language->ready}; }, 8s))
      << "ready in " << language->name << "; the tray shows " << Shown(TrayTooltips());
}

TEST_F(TrayLanguageTest, MenuOpenedByAClickIsInTheLanguageOfTheLocale) {
  SetUserAutostartValue(kMiddlewarePath);
  HWND icon = StartAndFindIcon();
  ASSERT_NE(icon, nullptr);
  const POINT click = CenterOf(icon);
  // The program's menu cannot be read from another process under Wine; a menu drawn here with the
  // expected texts looks the same, and one in another language does not.
  const MenuPicture expected = DrawReferenceMenu({language->menu, true});
  const MenuPicture other = DrawReferenceMenu({(language == &kEnglish ? kGerman : kEnglish).menu, true});
  ASSERT_FALSE(expected.pixels.empty());
  ASSERT_NE(expected.pixels, other.pixels) << "the two languages' menus must look different";

  Settle();
  LeftClickAt(click);
  HWND menu = WaitForPopupMenu(program.ProcessId());
  ASSERT_NE(menu, nullptr) << "a click on the icon opens the menu";
  EXPECT_TRUE(WaitForWindowSize(menu, expected.size)) << "the menu has the size of the expected texts";
  MoveCursorTo(CenterOf(menu));  // the middle item highlighted, as in the reference
  EXPECT_TRUE(WaitUntil([&] { return ScreenPixels(menu) == expected.pixels; }, 8s))
      << "the menu must show " << language->menu[0] << ", " << language->menu[1] << " and " << language->menu[2];
  SaveWindowPicture(menu, std::string("tray-menu-") + language->name);
  LeftClickAt(kAwayFromMenus);
  EXPECT_TRUE(WaitForNoPopupMenu(program.ProcessId()));
}

TEST_F(TrayLanguageTest, AboutBoxHasTheCaptionOfTheLocaleAndClosesWithOk) {
  ASSERT_NE(StartAndFindIcon(), nullptr);
  Settle();
  PostMessageA(program.Window(), WM_COMMAND, kAboutCommand, 0);
  HWND about = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    return (about = FindVisibleWindow(program.ProcessId(), "#32770", program.Window())) != nullptr;
  }, 5s)) << "the About command opens the About box";
  EXPECT_EQ(WindowText(about), language->aboutCaption);
  std::vector<std::string> texts;
  for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    texts.push_back(WindowText(child));
  EXPECT_NE(std::find(texts.begin(), texts.end(), "ZELT KP-RT5 Ver.4.0 for VISTA"), texts.end());
  HWND ok = GetDlgItem(about, IDOK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(WindowText(ok), "OK");
  WaitUntil([&] { return !StablePixels(about).empty(); }, 3s);
  SaveWindowPicture(about, std::string("about-box-") + language->name);

  LeftClickAt(CenterOf(ok));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) || !IsWindowVisible(about); }, 5s)) << "OK closes the About box";
  EXPECT_EQ(WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program runs on";
}

}  // namespace
}  // namespace e2e
