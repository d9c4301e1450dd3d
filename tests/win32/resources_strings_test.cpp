// The resources of KPRT5.exe, read back from the built program loaded as a data file: the
// strings, tray menu and About box of every language it carries, dialog 102 with its panel,
// the icons, the version record and the manifest. Templates are parsed here with bounds checks.
// KPRT5_RESOURCE_MODULE may name another module built from the same script.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <tuple>
#include <type_traits>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource.h"

namespace {

using Bytes = std::span<const std::uint8_t>;

LPCWSTR ResourceNumber(unsigned number) {
  return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(number));
}

constexpr unsigned kRtIcon = 3;
constexpr unsigned kRtMenu = 4;
constexpr unsigned kRtDialog = 5;
constexpr unsigned kRtString = 6;
constexpr unsigned kRtGroupIcon = 14;
constexpr unsigned kRtVersion = 16;
constexpr unsigned kRtManifest = 24;

std::wstring Wide(const char* utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, text.data(), length);
  text.resize(static_cast<std::size_t>(length - 1));
  return text;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                      nullptr, nullptr);
  return out;
}

// ----------------------------------------------------------------------------- module

struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleCloser>;

struct IconDestroyer {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

std::wstring ModulePath() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD fromEnvironment = GetEnvironmentVariableW(L"KPRT5_RESOURCE_MODULE", buffer, MAX_PATH);
  if (fromEnvironment > 0 && fromEnvironment < MAX_PATH) return buffer;
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, length);
  const auto slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return path + L"KPRT5.exe";
}

// The raw bytes of one resource in exactly one language, or nothing when it is not there.
std::optional<Bytes> FindBytes(HMODULE module, unsigned type, unsigned name, WORD language) {
  HRSRC found = FindResourceExW(module, ResourceNumber(type), ResourceNumber(name), language);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return Bytes(static_cast<const std::uint8_t*>(data), size);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR context) {
  reinterpret_cast<std::set<unsigned>*>(context)->insert(language);
  return TRUE;
}

std::set<unsigned> LanguagesOf(HMODULE module, unsigned type, unsigned name) {
  std::set<unsigned> languages;
  EnumResourceLanguagesW(module, ResourceNumber(type), ResourceNumber(name), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

// ----------------------------------------------------------------------------- parsing

// Reads little-endian fields from a resource; every read fails cleanly past the end.
class Reader {
 public:
  explicit Reader(Bytes bytes, std::size_t offset = 0) : bytes_(bytes), pos_(offset) {}

  bool Word(std::uint16_t& out) {
    if (bytes_.size() < 2 || pos_ > bytes_.size() - 2) return false;
    out = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool Short(std::int16_t& out) {
    std::uint16_t word = 0;
    if (!Word(word)) return false;
    out = static_cast<std::int16_t>(word);
    return true;
  }
  bool Dword(std::uint32_t& out) {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!Word(low) || !Word(high)) return false;
    out = static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16);
    return true;
  }
  bool Byte(std::uint8_t& out) {
    if (pos_ >= bytes_.size()) return false;
    out = bytes_[pos_++];
    return true;
  }
  // A zero-terminated UTF-16 text.
  bool Text(std::wstring& out) {
    out.clear();
    for (;;) {
      std::uint16_t unit = 0;
      if (!Word(unit)) return false;
      if (unit == 0) return true;
      out.push_back(static_cast<wchar_t>(unit));
    }
  }
  // A counted UTF-16 text of `count` units.
  bool Counted(std::size_t count, std::wstring& out) {
    out.clear();
    for (std::size_t i = 0; i < count; ++i) {
      std::uint16_t unit = 0;
      if (!Word(unit)) return false;
      out.push_back(static_cast<wchar_t>(unit));
    }
    return true;
  }
  bool Skip(std::size_t count) {
    if (count > bytes_.size() - pos_) return false;
    pos_ += count;
    return true;
  }
  bool AlignDword() { return Skip((4 - pos_ % 4) % 4); }
  std::size_t Offset() const { return pos_; }

 private:
  Bytes bytes_;
  std::size_t pos_;
};

// A name that is either a number (0xFFFF marker) or a text.
struct NameOrNumber {
  std::optional<std::uint16_t> number;
  std::wstring text;
};

bool ReadNameOrNumber(Reader& reader, NameOrNumber& out) {
  std::uint16_t first = 0;
  if (!reader.Word(first)) return false;
  if (first == 0xFFFF) {
    std::uint16_t number = 0;
    if (!reader.Word(number)) return false;
    out.number = number;
    return true;
  }
  if (first == 0) return true;
  std::wstring rest;
  if (!reader.Text(rest)) return false;
  out.text = static_cast<wchar_t>(first) + rest;
  return true;
}

// String n of a language: nothing when the block is absent, empty when its entry is empty.
std::optional<std::wstring> LoadText(HMODULE module, unsigned number, WORD language) {
  const auto block = FindBytes(module, kRtString, number / 16 + 1, language);
  if (!block) return std::nullopt;
  Reader reader(*block);
  std::wstring text;
  for (unsigned index = 0; index <= number % 16; ++index) {
    std::uint16_t length = 0;
    if (!reader.Word(length) || !reader.Counted(length, text)) {
      ADD_FAILURE() << "string block " << number / 16 + 1 << " is cut short";
      return std::nullopt;
    }
  }
  return text;
}

struct MenuItem {
  std::uint16_t flags = 0;
  std::uint16_t id = 0;
  std::wstring text;
  std::vector<MenuItem> children;
};

bool ReadMenuItems(Reader& reader, std::vector<MenuItem>& items, int depth) {
  if (depth > 4) return false;
  for (;;) {
    MenuItem item;
    if (!reader.Word(item.flags)) return false;
    if ((item.flags & MF_POPUP) == 0 && !reader.Word(item.id)) return false;
    if (!reader.Text(item.text)) return false;
    if ((item.flags & MF_POPUP) != 0 && !ReadMenuItems(reader, item.children, depth + 1)) return false;
    const bool last = (item.flags & MF_END) != 0;
    items.push_back(std::move(item));
    if (last) return true;
  }
}

std::optional<std::vector<MenuItem>> ParseMenu(Bytes bytes) {
  Reader reader(bytes);
  std::uint16_t version = 0;
  std::uint16_t headerSize = 0;
  if (!reader.Word(version) || !reader.Word(headerSize) || version != 0 || !reader.Skip(headerSize))
    return std::nullopt;
  std::vector<MenuItem> items;
  if (!ReadMenuItems(reader, items, 0)) return std::nullopt;
  return items;
}

struct DialogItem {
  std::uint32_t style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::int32_t id = 0;
  std::wstring className;
  NameOrNumber title;
};

struct Dialog {
  std::uint32_t style = 0;
  std::int16_t cx = 0, cy = 0;
  std::wstring title;
  std::uint16_t pointSize = 0;
  std::wstring font;
  std::vector<DialogItem> items;
};

std::wstring ClassName(const NameOrNumber& name) {
  if (name.number) {
    switch (*name.number) {
      case 0x80: return L"button";
      case 0x81: return L"edit";
      case 0x82: return L"static";
      case 0x83: return L"listbox";
      case 0x84: return L"scrollbar";
      case 0x85: return L"combobox";
      default: return L"#" + std::to_wstring(*name.number);
    }
  }
  std::wstring lower = name.text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); });
  return lower;
}

// Both template forms: the extended one (signature 0xFFFF) and the classic one.
std::optional<Dialog> ParseDialog(Bytes bytes) {
  Reader reader(bytes);
  Dialog dialog;
  std::uint16_t version = 0;
  std::uint16_t signature = 0;
  if (!reader.Word(version) || !reader.Word(signature)) return std::nullopt;
  const bool extended = version == 1 && signature == 0xFFFF;
  std::uint32_t exStyle = 0;
  std::uint32_t helpId = 0;
  std::uint16_t count = 0;
  std::int16_t x = 0, y = 0;
  if (extended) {
    if (!reader.Dword(helpId) || !reader.Dword(exStyle) || !reader.Dword(dialog.style)) return std::nullopt;
  } else {
    dialog.style = static_cast<std::uint32_t>(version) | (static_cast<std::uint32_t>(signature) << 16);
    if (!reader.Dword(exStyle)) return std::nullopt;
  }
  NameOrNumber menu, windowClass;
  if (!reader.Word(count) || !reader.Short(x) || !reader.Short(y) || !reader.Short(dialog.cx) ||
      !reader.Short(dialog.cy) || !ReadNameOrNumber(reader, menu) ||
      !ReadNameOrNumber(reader, windowClass) || !reader.Text(dialog.title))
    return std::nullopt;
  if ((dialog.style & DS_SETFONT) != 0) {
    if (!reader.Word(dialog.pointSize)) return std::nullopt;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0, charset = 0;
    if (extended && (!reader.Word(weight) || !reader.Byte(italic) || !reader.Byte(charset)))
      return std::nullopt;
    if (!reader.Text(dialog.font)) return std::nullopt;
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    DialogItem item;
    NameOrNumber itemClass;
    if (!reader.AlignDword()) return std::nullopt;
    if (extended) {
      std::uint32_t id = 0;
      if (!reader.Dword(helpId) || !reader.Dword(exStyle) || !reader.Dword(item.style) ||
          !reader.Short(item.x) || !reader.Short(item.y) || !reader.Short(item.cx) ||
          !reader.Short(item.cy) || !reader.Dword(id))
        return std::nullopt;
      item.id = static_cast<std::int32_t>(id);
    } else {
      std::int16_t id = 0;
      if (!reader.Dword(item.style) || !reader.Dword(exStyle) || !reader.Short(item.x) ||
          !reader.Short(item.y) || !reader.Short(item.cx) || !reader.Short(item.cy) || !reader.Short(id))
        return std::nullopt;
      item.id = id;
    }
    std::uint16_t extra = 0;
    if (!ReadNameOrNumber(reader, itemClass) || !ReadNameOrNumber(reader, item.title) ||
        !reader.Word(extra) || !reader.Skip(extra))
      return std::nullopt;
    item.className = ClassName(itemClass);
    dialog.items.push_back(std::move(item));
  }
  return dialog;
}

// ----------------------------------------------------------------------------- fixture

constexpr WORD kEnglish = 1033;

class Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    path_ = ModulePath();
    module_.reset(LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  }
  static void TearDownTestSuite() { module_.reset(); }
  void SetUp() override {
    if (!module_) FAIL() << "cannot read the program: " << Narrow(path_) << " does not load";
  }
  static HMODULE Module() { return module_.get(); }

  static std::optional<Dialog> DialogOf(unsigned number, WORD language) {
    const auto bytes = FindBytes(Module(), kRtDialog, number, language);
    if (!bytes) return std::nullopt;
    return ParseDialog(*bytes);
  }

 private:
  static inline std::wstring path_;
  static inline ModuleHandle module_;
};

// ----------------------------------------------------------------------------- strings

struct LanguageTexts {
  WORD language;
  const char* startup;
  const char* ready;
  const char* notReady;
};

// Strings 103, 104 and 105 of every language but English; the Spanish group repeats 1034.
constexpr LanguageTexts kStrings[] = {
    {1029, "Po spuštení(&U)", "ZELT KP-RT5:Pripraveno", "ZELT KP-RT5:Nepripraveno"},
    {1031, "Starten(&U)", "ZELT KP-RT5:Bereit", "ZELT KP-RT5:Nicht Bereit"},
    {1032, "Εκκίνηση(&U)", "ZELT KP-RT5:Έτοιμο", "ZELT KP-RT5:Δε?Είνα?Έτοιμο"},
    {1034, "Comienzo(&U)", "ZELT KP-RT5:Listo", "ZELT KP-RT5:No Listo"},
    {1035, "Käynnistys(&U)", "ZELT KP-RT5:Valmis", "ZELT KP-RT5:Ei valmiina"},
    {1036, "Démarrage(&U)", "ZELT KP-RT5:Pret", "ZELT KP-RT5:Pas pret"},
    {1040, "Avvio(&U)", "ZELT KP-RT5:Pronto", "ZELT KP-RT5:Non pronto"},
    {1041, "スタートアップ(&U)", "ZELT KP-RT5:準備完了", "ZELT KP-RT5:準備ができていません"},
    {1043, "Opstarten(&U)", "ZELT KP-RT5:Klaar", "ZELT KP-RT5:Niet klaar"},
    {1046, "Iniciar(&U)", "ZELT KP-RT5:Disponível", "ZELT KP-RT5:Não disponível"},
    {1053, "Starta(&U)", "ZELT KP-RT5:Färdig", "ZELT KP-RT5:Inte färdig"},
    {2052, "开始(&U)", "ZELT KP-RT5:完成", "ZELT KP-RT5:未完成"},
    {2070, "Iniciar(&U)", "ZELT KP-RT5:Pronto", "ZELT KP-RT5:Não est?pronto"},
};

constexpr WORD kSpanishGroup[] = {2058,  3082,  5130,  6154,  7178,  8202,  9226,  10250, 11274,
                                  12298, 13322, 14346, 15370, 16394, 17418, 18442, 19466, 20490};

std::vector<LanguageTexts> AllStringLanguages() {
  std::vector<LanguageTexts> all(std::begin(kStrings), std::end(kStrings));
  const auto spanish = std::find_if(all.begin(), all.end(), [](const LanguageTexts& t) { return t.language == 1034; });
  for (WORD language : kSpanishGroup) all.push_back({language, spanish->startup, spanish->ready, spanish->notReady});
  return all;
}

TEST_F(Resources, EnglishCarriesAllFiveStrings) {
  const std::pair<unsigned, const char*> expected[] = {
      {IDS_ABOUTBOX, "&About Vexlo ZELT KP-RT5"},
      {IDS_TRAY_TIP, "Vexlo ZELT KP-RT5"},
      {IDS_STARTUP, "Start&Up"},
      {IDS_READY, "ZELT KP-RT5:Ready"},
      {IDS_NOT_READY, "ZELT KP-RT5:Not Ready"},
  };
  for (const auto& [number, text] : expected) {
    EXPECT_EQ(LoadText(Module(), number, kEnglish), Wide(text)) << "string " << number;
  }
}

TEST_F(Resources, OtherLanguagesCarryTheirTooltipsAndStartupButNoAboutOrTip) {
  for (const LanguageTexts& texts : AllStringLanguages()) {
    SCOPED_TRACE(texts.language);
    EXPECT_EQ(LoadText(Module(), IDS_STARTUP, texts.language), Wide(texts.startup));
    EXPECT_EQ(LoadText(Module(), IDS_READY, texts.language), Wide(texts.ready));
    EXPECT_EQ(LoadText(Module(), IDS_NOT_READY, texts.language), Wide(texts.notReady));
    EXPECT_EQ(LoadText(Module(), IDS_ABOUTBOX, texts.language), std::wstring());
    EXPECT_EQ(LoadText(Module(), IDS_TRAY_TIP, texts.language), std::wstring());
  }
}

TEST_F(Resources, StringTableLanguagesAreExactlyThoseCarried) {
  std::set<unsigned> expected{kEnglish};
  for (const LanguageTexts& texts : AllStringLanguages()) expected.insert(texts.language);
  EXPECT_EQ(LanguagesOf(Module(), kRtString, IDS_STARTUP / 16 + 1), expected);
  EXPECT_EQ(expected.size(), 32U);  // 14 languages and 18 Spanish sublanguages
}

// ----------------------------------------------------------------------------- menu and About box

struct MenuAndAbout {
  WORD language;
  const char* startup;
  const char* about;
  const char* exit;
  const char* aboutCaption;
};

constexpr MenuAndAbout kMenus[] = {
    {1029, "Po spuštení(&U)", "O aplikaci(&A)", "Konec(&E)", "O aplikaci ZELT KP-RT5"},
    {1031, "Starten(&U)", "Info(&A)", "Beenden(&E)", "Informationen zu ZELT KP-RT5"},
    {1032, "Εκκίνηση(&U)", "Πληροφορίες(&A)", "Έξοδος(&E)", "Πληροφορίε?γι?το ZELT KP-RT5"},
    {1033, "Start&Up", "&About", "&Exit", "About ZELT KP-RT5"},
    {1034, "Comienzo(&U)", "&Acerca de", "Salir(&E)", "Acerca de ZELT KP-RT5"},
    {1035, "Käynnistys(&U)", "Tietoja(&A)", "Poistu(&E)", "Tietoja ZELT KP-RT5:st"},
    {1036, "Démarrage(&U)", "&A propos de", "Quitter(&E)", "A propos de ZELT KP-RT5"},
    {1040, "Avvio(&U)", "Informazioni su(&A)", "&Esci", "Informazioni su ZELT KP-RT5"},
    {1041, "スタートアップ(&U)", "バージョン情報(&A)", "終了(&E)", "ZELT KP-RT5について"},
    {1043, "Opstarten(&U)", "Over(&A)", "Verlaten(&E)", "Over ZELT KP-RT5"},
    {1046, "Iniciar(&U)", "Sobre(&A)", "Sair(&E)", "Instale o ZELT KP-RT5"},
    {1053, "Starta(&U)", "Om(&A)", "Avsluta(&E)", "Om ZELT KP-RT5"},
    {2070, "Iniciar(&U)", "Acerca do(&A)", "Sair(&E)", "About ZELT KP-RT5"},
};

TEST_F(Resources, TrayMenuHasOnePopupWithThreeItemsInEachLanguage) {
  for (const MenuAndAbout& texts : kMenus) {
    SCOPED_TRACE(texts.language);
    const auto bytes = FindBytes(Module(), kRtMenu, IDR_TRAY_MENU, texts.language);
    ASSERT_TRUE(bytes.has_value());
    const auto menu = ParseMenu(*bytes);
    ASSERT_TRUE(menu.has_value()) << "menu template does not parse";
    ASSERT_EQ(menu->size(), 1U);
    const MenuItem& popup = menu->front();
    EXPECT_EQ(popup.flags, MF_POPUP | MF_END);
    EXPECT_EQ(popup.text, L"POP MENU");
    ASSERT_EQ(popup.children.size(), 3U);
    const std::pair<unsigned, const char*> items[] = {
        {ID_TRAY_STARTUP, texts.startup}, {ID_TRAY_ABOUT, texts.about}, {ID_TRAY_EXIT, texts.exit}};
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(popup.children[i].id, items[i].first) << "item " << i;
      EXPECT_EQ(popup.children[i].text, Wide(items[i].second)) << "item " << i;
      EXPECT_EQ(popup.children[i].flags, i == 2 ? MF_END : 0U) << "item " << i;
    }
  }
}

TEST_F(Resources, StartupItemEqualsString103OfTheSameLanguage) {
  for (const MenuAndAbout& texts : kMenus) {
    const auto bytes = FindBytes(Module(), kRtMenu, IDR_TRAY_MENU, texts.language);
    ASSERT_TRUE(bytes.has_value()) << texts.language;
    const auto menu = ParseMenu(*bytes);
    ASSERT_TRUE(menu && !menu->empty() && !menu->front().children.empty()) << texts.language;
    EXPECT_EQ(LoadText(Module(), IDS_STARTUP, texts.language), menu->front().children.front().text)
        << texts.language;
  }
}

TEST_F(Resources, AboutBoxHasTheSameLayoutInEveryLanguageWithItsCaption) {
  for (const MenuAndAbout& texts : kMenus) {
    SCOPED_TRACE(texts.language);
    const auto about = DialogOf(IDD_ABOUTBOX, texts.language);
    ASSERT_TRUE(about.has_value()) << "About box missing or does not parse";
    EXPECT_EQ(about->title, Wide(texts.aboutCaption));
    EXPECT_EQ(about->style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_EQ(about->cx, 235);
    EXPECT_EQ(about->cy, 55);
    EXPECT_EQ(about->font, L"MS Sans Serif");
    EXPECT_EQ(about->pointSize, 8);
    ASSERT_EQ(about->items.size(), 3U);

    const DialogItem& icon = about->items[0];
    EXPECT_EQ(icon.className, L"static");
    EXPECT_EQ(icon.style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    EXPECT_EQ(icon.title.number, std::optional<std::uint16_t>(IDR_MAINFRAME));
    EXPECT_EQ(std::vector<int>({icon.x, icon.y}), std::vector<int>({11, 17}));

    const DialogItem& text = about->items[1];
    EXPECT_EQ(text.className, L"static");
    EXPECT_EQ(text.title.text, L"ZELT KP-RT5 Ver.4.0 for VISTA");
    EXPECT_NE(text.style & SS_NOPREFIX, 0U);
    EXPECT_EQ(std::vector<int>({text.x, text.y, text.cx, text.cy}), std::vector<int>({40, 10, 119, 8}));

    const DialogItem& ok = about->items[2];
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.title.text, L"OK");
    EXPECT_EQ(ok.style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_NE(ok.style & WS_TABSTOP, 0U);
    EXPECT_EQ(std::vector<int>({ok.x, ok.y, ok.cx, ok.cy}), std::vector<int>({178, 7, 50, 14}));
  }
}

TEST_F(Resources, MenuAndAboutBoxExistOnlyInTheirLanguages) {
  std::set<unsigned> expected;
  for (const MenuAndAbout& texts : kMenus) expected.insert(texts.language);
  EXPECT_EQ(LanguagesOf(Module(), kRtMenu, IDR_TRAY_MENU), expected);
  EXPECT_EQ(LanguagesOf(Module(), kRtDialog, IDD_ABOUTBOX), expected);
  EXPECT_EQ(LanguagesOf(Module(), kRtDialog, IDD_MAIN), std::set<unsigned>({kEnglish}));
}

// ----------------------------------------------------------------------------- dialog 102

enum class Kind { Label, Push, DefPush, Check, Group, Edit, NumberEdit, List, DropList };

struct PanelControl {
  int id;
  const char* caption;  // nullptr: a control without a caption
  Kind kind;
  bool disabled;
  bool hidden;
};

constexpr PanelControl kPanel[] = {
    {IDC_STATIC, "Hex:", Kind::Label, true, false},
    {IDC_STATIC, "VID:", Kind::Label, true, false},
    {IDC_VID, nullptr, Kind::Edit, true, false},
    {IDC_STATIC, "PID:", Kind::Label, true, false},
    {IDC_PID, nullptr, Kind::Edit, true, false},
    {IDC_START_MONITOR, "Start Monitor", Kind::Push, true, false},
    {IDC_GENERIC_REPORT, "Generic Report", Kind::Check, true, false},
    {IDC_SET_REPORT_GROUP, nullptr, Kind::Group, false, false},
    {IDC_SET_REPORT_LABEL, "Set Report:", Kind::Label, true, false},
    {IDC_BYTE1_LABEL, "byte1", Kind::Label, true, false},
    {IDC_REPORT_BYTE1, nullptr, Kind::NumberEdit, true, false},
    {IDC_BYTE2_LABEL, "byte2", Kind::Label, true, false},
    {IDC_REPORT_BYTE2, nullptr, Kind::NumberEdit, true, false},
    {IDC_BYTE3_LABEL, "byte3", Kind::Label, true, false},
    {IDC_REPORT_BYTE3, nullptr, Kind::NumberEdit, true, false},
    {IDC_BYTE4_LABEL, "byte4", Kind::Label, true, false},
    {IDC_REPORT_BYTE4, nullptr, Kind::NumberEdit, true, false},
    {IDC_SET_REPORT, "Set", Kind::Push, true, false},
    {IDC_STATIC, "Information:", Kind::Label, false, false},
    {IDC_INFO_LIST, nullptr, Kind::List, false, false},
    {IDC_CLEAR, "Clear", Kind::Push, false, false},
    {IDC_PANEL_GROUP, nullptr, Kind::Group, false, false},
    {IDC_BUZZER_ON, "Buzzer On", Kind::Push, false, false},
    {IDC_BUZZER_OFF, "Buzzer Off", Kind::Push, false, false},
    {IDC_KEY_SCAN_GROUP, nullptr, Kind::Group, true, false},
    {IDC_START_KEY_SCAN, "Start Key Scan", Kind::Push, true, false},
    {IDC_STOP_KEY_SCAN, "Stop Key Scan", Kind::Push, true, false},
    {IDC_SCAN_MODE, nullptr, Kind::DropList, true, false},
    {IDC_GPIO_PULL_HIGH, "Gpio Pull High", Kind::Check, true, true},
    {IDC_KEY_SCAN_SPEED_LABEL, "Key Scan Speed(millsec):", Kind::Label, true, false},
    {IDC_KEY_SCAN_SPEED, nullptr, Kind::NumberEdit, true, false},
    {IDC_SCAN_KEY_BUZZER, "Scan Key Buzzer", Kind::Check, true, false},
    {IDC_DURATION_LABEL, "Duration(millSec):", Kind::Label, true, false},
    {IDC_BUZZER_DURATION, nullptr, Kind::NumberEdit, true, false},
    {IDC_WRITE_EEPROM, "Write EEPROM", Kind::Push, true, false},
    {IDC_ADDRESS_LABEL, "Address (0 - 63)", Kind::Label, true, false},
    {IDC_EEPROM_ADDRESS, nullptr, Kind::Edit, true, false},
    {IDC_VALUE_LABEL, "Value (Hex)", Kind::Label, true, false},
    {IDC_EEPROM_VALUE, nullptr, Kind::Edit, true, false},
    {IDC_READ_EEPROM, "Read EEPROM", Kind::Push, true, false},
    {IDC_READ_ADDRESS, nullptr, Kind::Edit, true, false},
    {IDC_READ_RESULT, nullptr, Kind::Edit, true, false},
    {IDC_SET_GPIO, "SetGPIOState", Kind::Push, true, false},
    {IDC_LEVEL_LABEL, "Level[1:H 0:L]", Kind::Label, true, false},
    {IDC_GPIO_LEVEL, nullptr, Kind::Edit, true, false},
    {IDC_MODE_LABEL, "Mode[1:output 0:input]", Kind::Label, true, false},
    {IDC_GPIO_MODE, nullptr, Kind::Edit, true, false},
    {IDC_STATIC, "Please do not execute this program with  any other HID application at the same time",
     Kind::Label, false, false},
    {IDOK, "Close", Kind::DefPush, false, false},
};

// The control of the template that a table row names: by id, or by caption for unnamed labels.
const DialogItem* FindControl(const Dialog& dialog, const PanelControl& control) {
  for (const DialogItem& item : dialog.items) {
    if (item.id != control.id) continue;
    if (control.id == IDC_STATIC && item.title.text != Wide(control.caption)) continue;
    return &item;
  }
  return nullptr;
}

void ExpectKind(const DialogItem& item, Kind kind) {
  const DWORD buttonType = item.style & BS_TYPEMASK;
  switch (kind) {
    case Kind::Label:
      EXPECT_EQ(item.className, L"static");
      EXPECT_EQ(item.style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
      break;
    case Kind::Push:
    case Kind::DefPush:
      EXPECT_EQ(item.className, L"button");
      EXPECT_EQ(buttonType, static_cast<DWORD>(kind == Kind::Push ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON));
      break;
    case Kind::Check:
      EXPECT_EQ(item.className, L"button");
      EXPECT_EQ(buttonType, static_cast<DWORD>(BS_AUTOCHECKBOX));
      break;
    case Kind::Group:
      EXPECT_EQ(item.className, L"button");
      EXPECT_EQ(buttonType, static_cast<DWORD>(BS_GROUPBOX));
      break;
    case Kind::Edit:
    case Kind::NumberEdit:
      EXPECT_EQ(item.className, L"edit");
      EXPECT_EQ((item.style & ES_NUMBER) != 0, kind == Kind::NumberEdit) << "digits only";
      break;
    case Kind::List:
      EXPECT_EQ(item.className, L"listbox");
      EXPECT_EQ(item.style & LBS_SORT, 0U);
      break;
    case Kind::DropList:
      EXPECT_EQ(item.className, L"combobox");
      EXPECT_EQ(item.style & 3U, static_cast<DWORD>(CBS_DROPDOWNLIST));
      EXPECT_EQ(item.style & CBS_SORT, 0U) << "the four modes keep their order";
      EXPECT_GE(item.cy, 60) << "room for the four modes";
      break;
  }
}

struct Box {
  int left, top, right, bottom;
  bool Overlaps(const Box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
  bool Contains(const Box& other) const {
    return left <= other.left && other.right <= right && top <= other.top && other.bottom <= bottom;
  }
};

// A drop-down list occupies only its edit field in the dialog; the rest is the list.
Box BoxOf(const DialogItem& item) {
  const int height = item.className == L"combobox" ? 12 : item.cy;
  return {item.x, item.y, item.x + item.cx, item.y + height};
}

TEST_F(Resources, MainDialogIsAPopupWithoutSystemMenu) {
  const auto dialog = DialogOf(IDD_MAIN, kEnglish);
  ASSERT_TRUE(dialog.has_value()) << "dialog 102 missing or does not parse";
  EXPECT_EQ(dialog->title, L"Vexlo ZELT KP-RT5");
  const DWORD wanted = WS_POPUP | WS_CAPTION | DS_MODALFRAME | WS_VISIBLE;
  EXPECT_EQ(dialog->style & wanted, wanted);
  EXPECT_EQ(dialog->style & WS_SYSMENU, 0U);
  EXPECT_EQ(dialog->cx, 327);
  EXPECT_EQ(dialog->cy, 450);
}

TEST_F(Resources, MainDialogCarriesEveryPanelControlInItsTemplateState) {
  const auto dialog = DialogOf(IDD_MAIN, kEnglish);
  ASSERT_TRUE(dialog.has_value());
  EXPECT_EQ(dialog->items.size(), std::size(kPanel)) << "controls besides those of the panel";
  for (const PanelControl& control : kPanel) {
    SCOPED_TRACE(control.caption != nullptr ? control.caption : std::to_string(control.id).c_str());
    const DialogItem* item = FindControl(*dialog, control);
    ASSERT_NE(item, nullptr) << "control " << control.id << " missing";
    if (control.caption != nullptr) {
      EXPECT_EQ(item->title.text, Wide(control.caption));
    }
    ExpectKind(*item, control.kind);
    EXPECT_EQ((item->style & WS_DISABLED) != 0, control.disabled) << "disabled";
    EXPECT_EQ((item->style & WS_VISIBLE) == 0, control.hidden) << "hidden";
  }
}

TEST_F(Resources, MainDialogControlsSitInTheirGroupsWithoutOverlapping) {
  const auto dialog = DialogOf(IDD_MAIN, kEnglish);
  ASSERT_TRUE(dialog.has_value());
  const Box whole{0, 0, dialog->cx, dialog->cy};
  std::vector<std::pair<const DialogItem*, Box>> plain;
  for (const DialogItem& item : dialog->items) {
    EXPECT_TRUE(whole.Contains(BoxOf(item))) << "control " << item.id << " leaves the dialog";
    if ((item.style & BS_TYPEMASK) != BS_GROUPBOX || item.className != L"button")
      plain.emplace_back(&item, BoxOf(item));
  }
  for (std::size_t i = 0; i < plain.size(); ++i)
    for (std::size_t j = i + 1; j < plain.size(); ++j)
      EXPECT_FALSE(plain[i].second.Overlaps(plain[j].second))
          << "controls " << plain[i].first->id << " (" << Narrow(plain[i].first->title.text) << ") and "
          << plain[j].first->id << " (" << Narrow(plain[j].first->title.text) << ") overlap";

  auto boxOfId = [&](int id) -> std::optional<Box> {
    for (const DialogItem& item : dialog->items)
      if (item.id == id) return BoxOf(item);
    return std::nullopt;
  };
  const std::pair<int, std::vector<int>> groups[] = {
      {IDC_SET_REPORT_GROUP,
       {IDC_SET_REPORT_LABEL, IDC_BYTE1_LABEL, IDC_REPORT_BYTE1, IDC_BYTE2_LABEL, IDC_REPORT_BYTE2,
        IDC_BYTE3_LABEL, IDC_REPORT_BYTE3, IDC_BYTE4_LABEL, IDC_REPORT_BYTE4, IDC_SET_REPORT}},
      {IDC_KEY_SCAN_GROUP,
       {IDC_START_KEY_SCAN, IDC_STOP_KEY_SCAN, IDC_SCAN_MODE, IDC_GPIO_PULL_HIGH, IDC_KEY_SCAN_SPEED_LABEL,
        IDC_KEY_SCAN_SPEED, IDC_SCAN_KEY_BUZZER, IDC_DURATION_LABEL, IDC_BUZZER_DURATION}},
      {IDC_PANEL_GROUP,
       {IDC_BUZZER_ON, IDC_BUZZER_OFF, IDC_KEY_SCAN_GROUP, IDC_WRITE_EEPROM, IDC_ADDRESS_LABEL,
        IDC_EEPROM_ADDRESS, IDC_VALUE_LABEL, IDC_EEPROM_VALUE, IDC_READ_EEPROM, IDC_READ_ADDRESS,
        IDC_READ_RESULT, IDC_SET_GPIO, IDC_LEVEL_LABEL, IDC_GPIO_LEVEL, IDC_MODE_LABEL, IDC_GPIO_MODE}},
  };
  for (const auto& [group, members] : groups) {
    const auto frame = boxOfId(group);
    ASSERT_TRUE(frame.has_value()) << "group " << group;
    for (int member : members) {
      const auto box = boxOfId(member);
      ASSERT_TRUE(box.has_value()) << "control " << member;
      EXPECT_TRUE(frame->Contains(*box)) << "control " << member << " outside group " << group;
    }
  }
}

// ----------------------------------------------------------------------------- icons

struct IconImage {
  unsigned size;
  unsigned bits;
  bool operator<(const IconImage& other) const {
    return std::tie(size, bits) < std::tie(other.size, other.bits);
  }
  bool operator==(const IconImage& other) const = default;
};

std::optional<std::set<IconImage>> GroupImages(HMODULE module, unsigned number) {
  std::optional<Bytes> bytes;
  for (unsigned language : LanguagesOf(module, kRtGroupIcon, number)) {
    if (bytes) return std::nullopt;  // stored under one language only
    bytes = FindBytes(module, kRtGroupIcon, number, static_cast<WORD>(language));
  }
  if (!bytes) return std::nullopt;
  Reader reader(*bytes);
  std::uint16_t reserved = 0, type = 0, count = 0;
  if (!reader.Word(reserved) || !reader.Word(type) || !reader.Word(count) || type != 1) return std::nullopt;
  std::set<IconImage> images;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint8_t width = 0, height = 0, colours = 0, unused = 0;
    std::uint16_t planes = 0, bits = 0, id = 0;
    std::uint32_t length = 0;
    if (!reader.Byte(width) || !reader.Byte(height) || !reader.Byte(colours) || !reader.Byte(unused) ||
        !reader.Word(planes) || !reader.Word(bits) || !reader.Dword(length) || !reader.Word(id))
      return std::nullopt;
    if (width != height || LanguagesOf(module, kRtIcon, id).empty()) return std::nullopt;
    images.insert({width, bits});
  }
  return images;
}

TEST_F(Resources, IconsHoldTheirImagesUnderOneLanguage) {
  const std::pair<unsigned, std::set<IconImage>> expected[] = {
      {IDR_MAINFRAME, {{16, 8}, {32, 8}, {48, 8}, {16, 32}, {32, 32}, {48, 32}}},
      {IDI_READY, {{16, 32}}},
      {IDI_NOT_READY, {{16, 32}}},
  };
  for (const auto& [number, images] : expected) {
    EXPECT_EQ(GroupImages(Module(), number), images) << "icon " << number;
  }
}

TEST_F(Resources, TrayIconsLoadAsSixteenPixelImages) {
  for (const unsigned number : std::initializer_list<unsigned>{IDI_READY, IDI_NOT_READY, IDR_MAINFRAME}) {
    IconHandle icon(static_cast<HICON>(LoadImageW(Module(), ResourceNumber(number), IMAGE_ICON, 16, 16,
                                                  LR_DEFAULTCOLOR)));
    EXPECT_NE(icon, nullptr) << "icon " << number;
  }
}

// ----------------------------------------------------------------------------- version, manifest

struct VersionNode {
  std::wstring key;
  Bytes value;
  bool text = false;
  std::vector<VersionNode> children;
};

bool ReadVersionNode(Bytes bytes, std::size_t offset, VersionNode& node, std::size_t& end, int depth) {
  Reader reader(bytes, offset);
  std::uint16_t length = 0, valueLength = 0, type = 0;
  if (depth > 5 || !reader.Word(length) || !reader.Word(valueLength) || !reader.Word(type)) return false;
  if (length < 6 || length > bytes.size() - offset) return false;
  end = offset + length;
  const Bytes own = bytes.first(end);
  Reader inner(own, reader.Offset());
  if (!inner.Text(node.key) || !inner.AlignDword()) return false;
  node.text = type == 1;
  const std::size_t valueBytes = node.text ? valueLength * 2U : valueLength;
  const std::size_t valueStart = inner.Offset();
  if (!inner.Skip(valueBytes)) return false;
  node.value = own.subspan(valueStart, valueBytes);
  std::size_t next = inner.Offset();
  while ((next + 3) / 4 * 4 < end) {
    next = (next + 3) / 4 * 4;
    VersionNode child;
    std::size_t childEnd = 0;
    if (!ReadVersionNode(own, next, child, childEnd, depth + 1)) return false;
    node.children.push_back(std::move(child));
    next = childEnd;
  }
  return true;
}

const VersionNode* Child(const VersionNode& node, const wchar_t* key) {
  for (const VersionNode& child : node.children)
    if (child.key == key) return &child;
  return nullptr;
}

std::wstring TextValue(const VersionNode& node) {
  std::wstring text;
  Reader reader(node.value);
  std::uint16_t unit = 0;
  while (reader.Word(unit) && unit != 0) text.push_back(static_cast<wchar_t>(unit));
  return text;
}

TEST_F(Resources, VersionRecordNamesVersion1026InEnglish) {
  EXPECT_EQ(LanguagesOf(Module(), kRtVersion, 1), std::set<unsigned>({kEnglish}));
  const auto bytes = FindBytes(Module(), kRtVersion, 1, kEnglish);
  ASSERT_TRUE(bytes.has_value());
  VersionNode root;
  std::size_t end = 0;
  ASSERT_TRUE(ReadVersionNode(*bytes, 0, root, end, 0)) << "version record does not parse";
  EXPECT_EQ(root.key, L"VS_VERSION_INFO");
  ASSERT_GE(root.value.size(), 24U);
  Reader fixed(root.value);
  std::uint32_t signature = 0, structVersion = 0, fileHigh = 0, fileLow = 0, productHigh = 0, productLow = 0;
  ASSERT_TRUE(fixed.Dword(signature) && fixed.Dword(structVersion) && fixed.Dword(fileHigh) &&
              fixed.Dword(fileLow) && fixed.Dword(productHigh) && fixed.Dword(productLow));
  EXPECT_EQ(signature, 0xFEEF04BDU);
  EXPECT_EQ(std::make_pair(fileHigh, fileLow), std::make_pair(0x00010000U, 0x00020006U));
  EXPECT_EQ(std::make_pair(productHigh, productLow), std::make_pair(0x00010000U, 0x00020006U));

  const VersionNode* strings = Child(root, L"StringFileInfo");
  ASSERT_NE(strings, nullptr);
  const VersionNode* table = Child(*strings, L"040904B0");
  if (table == nullptr) table = Child(*strings, L"040904b0");
  ASSERT_NE(table, nullptr) << "no English (United States) Unicode table";
  const std::pair<const wchar_t*, const wchar_t*> fields[] = {
      {L"FileVersion", L"1, 0, 2, 6"},           {L"ProductVersion", L"1, 0, 2, 6"},
      {L"FileDescription", L"KP-RT5 Application"}, {L"ProductName", L"KP-RT5 Application"},
      {L"InternalName", L"KP-RT5"},               {L"OriginalFilename", L"KP-RT5.EXE"},
  };
  for (const auto& [key, value] : fields) {
    const VersionNode* field = Child(*table, key);
    ASSERT_NE(field, nullptr) << Narrow(key);
    EXPECT_EQ(TextValue(*field), value) << Narrow(key);
  }
  const VersionNode* variables = Child(root, L"VarFileInfo");
  ASSERT_NE(variables, nullptr);
  const VersionNode* translation = Child(*variables, L"Translation");
  ASSERT_NE(translation, nullptr);
  Reader pair(translation->value);
  std::uint16_t language = 0, codePage = 0;
  ASSERT_TRUE(pair.Word(language) && pair.Word(codePage));
  EXPECT_EQ(language, 1033U);
  EXPECT_EQ(codePage, 1200U);
}

TEST_F(Resources, ManifestAsksForCommonControls6AndAsInvoker) {
  const auto languages = LanguagesOf(Module(), kRtManifest, 1);
  ASSERT_EQ(languages.size(), 1U);
  const auto bytes = FindBytes(Module(), kRtManifest, 1, static_cast<WORD>(*languages.begin()));
  ASSERT_TRUE(bytes.has_value());
  const std::string manifest(bytes->begin(), bytes->end());
  for (const char* needle : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                             "level=\"asInvoker\"", "<supportedOS"}) {
    EXPECT_NE(manifest.find(needle), std::string::npos) << needle;
  }
}

}  // namespace
