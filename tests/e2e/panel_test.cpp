// The engineering test panel of the running program, driven the way its controls would drive it:
// texts written into the controls, check marks and selections set, and the controls' commands sent
// to the window (most controls are disabled in the template, which does not stop either).
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "program_fixture.h"

namespace e2e {
namespace {

using Calls = std::vector<std::string>;

constexpr int kCloseButton = IDOK;
constexpr int kInfoList = 1000;
constexpr int kBuzzerOn = 1001;
constexpr int kBuzzerOff = 1002;
constexpr int kWriteEeprom = 1004;
constexpr int kWriteAddress = 1005;
constexpr int kWriteValue = 1006;
constexpr int kReadEeprom = 1007;
constexpr int kReadAddress = 1008;
constexpr int kReadResult = 1009;
constexpr int kVidEdit = 1010;
constexpr int kPidEdit = 1011;
constexpr int kStartMonitor = 1012;
constexpr int kSetGpio = 1015;
constexpr int kClear = 1019;
constexpr int kStartKeyScan = 1020;
constexpr int kStopKeyScan = 1021;
constexpr int kSetReport = 1022;
constexpr int kKeyScanSpeed = 1023;
constexpr int kScanKeyBuzzer = 1024;
constexpr int kBuzzerDuration = 1025;
constexpr int kGenericReport = 1026;
constexpr int kReportByte1 = 1027;
constexpr int kSetReportGroup = 1038;
constexpr int kSendText = 1040;
constexpr int kScanMode = 1042;
constexpr int kGpioPullHigh = 1043;
constexpr WPARAM kShowWindowCommand = 32772;

// The settings that Start Key Scan disables and Stop Key Scan enables again.
constexpr int kScanSettings[] = {kScanKeyBuzzer, kBuzzerDuration, kKeyScanSpeed, kGpioPullHigh, kScanMode,
                                 kStartKeyScan};
// The Set Report row that the generic-report mode shows.
constexpr int kSetReportRow[] = {1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, kSetReport, kSetReportGroup};

// A message box of the program: a top-level dialog of its process other than the main window.
struct PromptSearch {
  DWORD processId;
  HWND mainWindow;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectPrompt(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<PromptSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (owner == search->processId && window != search->mainWindow && std::string(className) == "#32770" &&
      IsWindowVisible(window))
    search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK FindPromptText(HWND child, LPARAM parameter) {
  auto* text = reinterpret_cast<std::string*>(parameter);
  char className[16] = {};
  GetClassNameA(child, className, sizeof className);
  char buffer[256] = {};
  GetWindowTextA(child, buffer, sizeof buffer);
  if (std::string(className) == "Static" && buffer[0] != '\0') {
    *text = buffer;
    return FALSE;
  }
  return TRUE;
}

class PanelTest : public ProgramTest {
 protected:
  HWND Control(int id) const { return GetDlgItem(program.Window(), id); }

  // A control's command as the control itself sends it, handled before this returns.
  void Notify(int id, WORD notification) {
    PostAndSettle(WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(Control(id)));
  }
  void Click(int id) { Notify(id, BN_CLICKED); }

  void SetText(int id, const char* text) { ASSERT_TRUE(SetDlgItemTextA(program.Window(), id, text)); }
  std::string Text(int id) const {
    char text[256] = {};
    GetDlgItemTextA(program.Window(), id, text, sizeof text);
    return text;
  }
  void SetCheck(int id, bool checked) { SendMessageA(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
  // Its own visibility flag: the main window itself stays hidden.
  bool Shown(int id) const { return (GetWindowLongA(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }

  void SelectScanMode(int index) {
    SendMessageA(Control(kScanMode), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Notify(kScanMode, CBN_SELCHANGE);
  }

  // The handset's log without the device-change notices (Settle's among them).
  Calls PanelCalls() const {
    Calls calls = HandsetCalls();
    std::erase_if(calls, [](const std::string& call) { return call.starts_with("HidOnDeviceChange("); });
    return calls;
  }
  // The panel calls that arrive from now on.
  void StartLog() {
    Settle();
    handset.ClearLog();
  }

  std::vector<HWND> Prompts() const {
    PromptSearch search{program.ProcessId(), program.Window(), {}};
    EnumWindows(&CollectPrompt, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  HWND WaitForPrompt() const {
    HWND prompt = nullptr;
    WaitUntil([&] {
      const std::vector<HWND> prompts = Prompts();
      if (!prompts.empty()) prompt = prompts.front();
      return prompt != nullptr;
    });
    return prompt;
  }
  static std::string PromptText(HWND prompt) {
    std::string text;
    EnumChildWindows(prompt, &FindPromptText, reinterpret_cast<LPARAM>(&text));
    return text;
  }
  static bool ClosePrompt(HWND prompt) {
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return WaitUntil([prompt] { return IsWindow(prompt) == FALSE || IsWindowVisible(prompt) == FALSE; });
  }
};

TEST_F(PanelTest, WindowInitialisationWritesTheDefaultsAndHidesTheSetReportRow) {
  StartProgram();
  Settle();
  for (int id : {kWriteAddress, kWriteValue, kReadAddress, kReadResult}) EXPECT_EQ(Text(id), "0") << id;
  EXPECT_EQ(Text(kKeyScanSpeed), "32");
  EXPECT_EQ(Text(kBuzzerDuration), "200");
  EXPECT_EQ(Text(kReportByte1), "0");
  EXPECT_EQ(Text(kScanMode), "SCAN4X4");
  EXPECT_EQ(SendMessageA(Control(kScanMode), CB_GETCOUNT, 0, 0), 4);
  for (int id : kSetReportRow) EXPECT_FALSE(Shown(id)) << id << " is shown without the generic-report mode";
  EXPECT_FALSE(Shown(kGpioPullHigh));
  // The monitor runs, so its settings are locked; the key-scan group keeps its template state.
  for (int id : {kVidEdit, kPidEdit, kGenericReport}) EXPECT_FALSE(Enabled(id)) << id;
  for (int id : {kStartKeyScan, kStopKeyScan, kWriteEeprom}) EXPECT_FALSE(Enabled(id)) << id;
  for (int id : {kBuzzerOn, kBuzzerOff, kClear, kCloseButton}) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(PanelTest, BuzzerEepromGpioAndClearButtons) {
  StartProgram();
  handset.Plug();  // an unplugged chip answers no EEPROM read
  handset.SetEeprom(12, 0x00AB);
  StartLog();

  Click(kBuzzerOn);
  Click(kBuzzerOff);
  SetText(kWriteAddress, "-1");
  SetText(kWriteValue, "12345");  // read as its first four digits
  Click(kWriteEeprom);
  SetText(kReadAddress, "12abc");
  Click(kReadEeprom);
  EXPECT_EQ(Text(kReadResult), "ab");

  handset.SetEeprom(12, 0x0777);
  handset.SetEepromReadsFail(true);
  Click(kReadEeprom);
  EXPECT_EQ(Text(kReadResult), "ab") << "a failed read leaves the result as it was";

  Click(kSetGpio);  // does nothing
  EXPECT_EQ(PanelCalls(), (Calls{"HidBuzzerOn()", "HidBuzzerOff()", "HidWriteEeprom(4294967295, 4660)",
                                 "HidReadEeprom(12)", "HidReadEeprom(12)"}));
  EXPECT_TRUE(handset.State().eeprom[12] == 0x0777);

  ASSERT_GE(SendMessageA(Control(kInfoList), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("line")), 0);
  ASSERT_EQ(SendMessageA(Control(kInfoList), LB_GETCOUNT, 0, 0), 1);
  Click(kClear);
  EXPECT_EQ(SendMessageA(Control(kInfoList), LB_GETCOUNT, 0, 0), 0);
}

struct ScanCase {
  const char* name;
  int index;  // in the combo box, -1 for no selection (an empty scanMode)
  bool pullHigh;
  const char* start;  // the start operation, nullptr for none
};

TEST_F(PanelTest, KeyScanSetsItsSettingsStartsTheModeAndFlipsTheControls) {
  StartProgram();
  SetText(kKeyScanSpeed, "48");  // the edit's change handler sends the speed at once
  SetText(kBuzzerDuration, "150");
  SetCheck(kScanKeyBuzzer, true);
  ASSERT_TRUE(handset.WaitForCall("HidSetKeyScanSpeed", 5s));
  EXPECT_EQ(PanelCalls().back(), "HidSetKeyScanSpeed(48)");

  const ScanCase cases[] = {
      {"SCAN4X4", 0, false, "HidStartKeyScan4x4()"}, {"SCAN4X5", 1, false, "HidStartKeyScan4x5()"},
      {"SCAN2X3", 2, false, "HidStartKeyScan2x3()"}, {"SCAN2X2", 3, true, "HidStartKeyScan2x2(1)"},
      {"SCAN2X2 without pull-high", 3, false, "HidStartKeyScan2x2(0)"}, {"empty", -1, false, nullptr},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    SelectScanMode(c.index);
    EXPECT_EQ(Shown(kGpioPullHigh), c.index == 3) << "\"Gpio Pull High\" is shown for SCAN2X2 only";
    SetCheck(kGpioPullHigh, c.pullHigh);

    StartLog();
    Click(kStartKeyScan);
    Calls expected = {"HidSetKeyScanSpeed(48)", "HidSetBuzzerDuration(150)", "HidSetScanKeyBuzzer(1)"};
    if (c.start != nullptr) expected.push_back(c.start);
    EXPECT_EQ(PanelCalls(), expected);
    for (int id : kScanSettings) EXPECT_FALSE(Enabled(id)) << id << " stays enabled while scanning";
    EXPECT_TRUE(Enabled(kStopKeyScan));

    StartLog();
    Click(kStopKeyScan);
    EXPECT_EQ(PanelCalls(), Calls{"HidStopKeyScan()"});
    for (int id : kScanSettings) EXPECT_TRUE(Enabled(id)) << id << " is not enabled again";
    EXPECT_FALSE(Enabled(kStopKeyScan));
  }
}

TEST_F(PanelTest, SetReportOnlyWhileTheMonitorRunsInGenericReportMode) {
  StartProgram();
  const char* bytes[] = {"1", "2", "3", "250"};
  for (int i = 0; i < 4; ++i) SetText(kReportByte1 + i, bytes[i]);
  StartLog();
  Click(kSetReport);
  EXPECT_EQ(PanelCalls(), Calls{}) << "no generic-report mode";

  // Ticking "Generic Report" shows the row at once.
  SetCheck(kGenericReport, true);
  Click(kGenericReport);
  for (int id : kSetReportRow) EXPECT_TRUE(Shown(id)) << id;
  EXPECT_FALSE(Enabled(kSetReport)) << "the row keeps its template state";
  Click(kSetReport);
  EXPECT_EQ(PanelCalls(), Calls{"HidSetReport(1, 2, 3, 250)"});

  // With the monitor stopped, its settings are free again and Set Report does nothing.
  Click(kStartMonitor);
  ASSERT_TRUE(handset.WaitForMonitor(false, 5s));
  for (int id : {kVidEdit, kPidEdit, kGenericReport}) EXPECT_TRUE(Enabled(id)) << id;
  StartLog();
  Click(kSetReport);
  EXPECT_EQ(PanelCalls(), Calls{});

  // The mode takes effect at the next start of the monitor.
  Click(kStartMonitor);
  ASSERT_TRUE(handset.WaitForMonitor(true, 5s));
  const Calls calls = PanelCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_TRUE(calls.front().starts_with("HidStartReportMonitor(")) << calls.front();

  SetCheck(kGenericReport, false);
  Click(kGenericReport);
  for (int id : kSetReportRow) EXPECT_FALSE(Shown(id)) << id;
}

TEST_F(PanelTest, SendTextSendsTheSingleTerminatingReport) {
  StartProgram();
  StartLog();
  PostAndSettle(WM_COMMAND, MAKEWPARAM(kSendText, 0), 0);
  EXPECT_EQ(PanelCalls(), Calls{"HidSetReport(64, 129, 0, 0)"});
}

TEST_F(PanelTest, RefusedNumberPromptsOnceAndKeepsThatFieldAndTheFieldsAfterIt) {
  StartProgram();
  ASSERT_TRUE(WaitUntil([&] { return !IsShown(program.Window()); })) << "timer 2 hides the window";
  PostAndSettle(WM_COMMAND, kShowWindowCommand, 0);
  ASSERT_TRUE(IsShown(program.Window()));
  StartLog();

  // Clearing the speed edit: its change handler takes values, the empty text is refused, and the
  // previous speed goes out again. The edit sends its change while the text is set, so the set
  // returns only when the prompt has been answered.
  std::thread clearSpeed([this] { SetDlgItemTextA(program.Window(), kKeyScanSpeed, ""); });
  HWND prompt = WaitForPrompt();
  if (prompt != nullptr) {
    EXPECT_EQ(PromptText(prompt), "Please enter an integer.");
    // The controls' notifications during the exchange are ignored: the Close button does not hide
    // the window, the buzzer button does not sound.
    Click(kCloseButton);
    Click(kBuzzerOn);
    EXPECT_TRUE(IsShown(program.Window()));
    EXPECT_TRUE(ClosePrompt(prompt));
  }
  clearSpeed.join();
  ASSERT_NE(prompt, nullptr) << "no prompt for the empty speed";
  Settle();
  EXPECT_TRUE(Prompts().empty()) << "one prompt per refused exchange";
  EXPECT_EQ(PanelCalls(), Calls{"HidSetKeyScanSpeed(32)"});

  // A refused duration: the speed and the buzzer flag before it are taken, the duration and the
  // scan mode after it keep their values.
  SetText(kKeyScanSpeed, "77");
  SetText(kBuzzerDuration, "-5");
  SetCheck(kScanKeyBuzzer, true);
  SendMessageA(Control(kScanMode), CB_SETCURSEL, 1, 0);  // SCAN4X5, not yet taken
  StartLog();
  PostMessageA(program.Window(), WM_COMMAND, MAKEWPARAM(kStartKeyScan, BN_CLICKED),
               reinterpret_cast<LPARAM>(Control(kStartKeyScan)));
  prompt = WaitForPrompt();
  ASSERT_NE(prompt, nullptr) << "no prompt for the negative duration";
  EXPECT_EQ(PromptText(prompt), "Please enter a positive integer.");
  EXPECT_TRUE(ClosePrompt(prompt));
  Settle();
  EXPECT_TRUE(Prompts().empty()) << "one prompt per refused exchange";
  EXPECT_EQ(PanelCalls(), (Calls{"HidSetKeyScanSpeed(77)", "HidSetBuzzerDuration(200)", "HidSetScanKeyBuzzer(1)",
                                 "HidStartKeyScan4x4()"}));

  // Valid again, so that Exit's own exchange ends the program.
  SetText(kBuzzerDuration, "200");
}

}  // namespace
}  // namespace e2e
