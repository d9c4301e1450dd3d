// The engineering test panel of dialog 102: data exchange with its controls and its handlers.
#include <cstdio>
#include <utility>
#include <vector>

#include "app/middleware_window_win32.h"
#include "device/hex_word.h"
#include "resource.h"
#include "ui/panel_numbers.h"
#include "zu_vaz.h"

namespace kprt5 {
namespace {

constexpr int kBoundEditIds[8] = {IDC_GPIO_MODE,       IDC_GPIO_LEVEL,     IDC_VID,         IDC_PID,
                                  IDC_EEPROM_VALUE,    IDC_EEPROM_ADDRESS, IDC_READ_RESULT, IDC_READ_ADDRESS};
constexpr const char* kScanModes[] = {"SCAN4X4", "SCAN4X5", "SCAN2X3", "SCAN2X2"};
constexpr int kScanSettingIds[] = {IDC_SCAN_KEY_BUZZER, IDC_BUZZER_DURATION, IDC_KEY_SCAN_SPEED,
                                   IDC_GPIO_PULL_HIGH,  IDC_SCAN_MODE,       IDC_START_KEY_SCAN};
constexpr int kSetReportRowIds[] = {IDC_REPORT_BYTE1, IDC_REPORT_BYTE2,    IDC_REPORT_BYTE3,
                                    IDC_REPORT_BYTE4, IDC_SET_REPORT_LABEL, IDC_BYTE1_LABEL,
                                    IDC_BYTE2_LABEL,  IDC_BYTE3_LABEL,      IDC_BYTE4_LABEL,
                                    IDC_SET_REPORT,   IDC_SET_REPORT_GROUP};
constexpr int kMonitorSettingIds[] = {IDC_VID, IDC_PID, IDC_GENERIC_REPORT};

// Marks a data exchange as running for its lifetime. An exchange started inside another (from a
// handler reached while a refusal prompt runs) leaves the mark of the outer one in place.
class ExchangeScope {
 public:
  explicit ExchangeScope(bool& flag) : flag_(flag), previous_(std::exchange(flag, true)) {}
  ~ExchangeScope() { flag_ = previous_; }
  ExchangeScope(const ExchangeScope&) = delete;
  ExchangeScope& operator=(const ExchangeScope&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

std::string ControlText(HWND dialog, int control, int limit = 255) {
  char text[256] = {};
  ::GetDlgItemTextA(dialog, control, text, limit + 1);
  return text;
}

void EnableControl(HWND dialog, int control, bool enable) {
  if (HWND item = ::GetDlgItem(dialog, control)) ::EnableWindow(item, enable ? TRUE : FALSE);
}

std::uint32_t Checked(HWND dialog, int control) {
  return ::IsDlgButtonChecked(dialog, control) == BST_CHECKED ? 1u : 0u;
}

void SetChecked(HWND dialog, int control, std::uint32_t flag) {
  ::CheckDlgButton(dialog, control, flag != 0 ? BST_CHECKED : BST_UNCHECKED);
}

// Reads one number field; on a refusal the standard prompt is shown and the exchange stops.
template <typename Field>
bool TakeNumber(HWND dialog, int control, PanelNumberType type, Field& field) {
  const std::optional<std::int64_t> value = ValidatePanelNumber(ControlText(dialog, control), type);
  if (!value) {
    ::MessageBoxA(dialog, PanelNumberPrompt(type), nullptr, MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(::GetDlgItem(dialog, control));
    return false;
  }
  field = static_cast<Field>(*value);
  return true;
}

}  // namespace

void MiddlewareWindow::BindPanelControls() {
  for (std::size_t i = 0; i < std::size(kBoundEditIds); ++i) boundEdits[i] = ::GetDlgItem(window_, kBoundEditIds[i]);
  infoList = ::GetDlgItem(window_, IDC_INFO_LIST);
  for (const char* mode : kScanModes)
    ::SendDlgItemMessageA(window_, IDC_SCAN_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mode));
}

bool MiddlewareWindow::TakeValues() {
  const ExchangeScope exchange(exchanging_);

  if (!TakeNumber(window_, IDC_KEY_SCAN_SPEED, PanelNumberType::Signed32, keyScanSpeed)) return false;
  scanKeyBuzzer = Checked(window_, IDC_SCAN_KEY_BUZZER);
  if (!TakeNumber(window_, IDC_BUZZER_DURATION, PanelNumberType::Unsigned32, buzzerDuration)) return false;
  genericReportMode = Checked(window_, IDC_GENERIC_REPORT);
  for (int i = 0; i < 4; ++i)
    if (!TakeNumber(window_, IDC_REPORT_BYTE1 + i, PanelNumberType::Unsigned8, reportBytes[i])) return false;
  scanMode = ControlText(window_, IDC_SCAN_MODE);
  gpioPullHigh = Checked(window_, IDC_GPIO_PULL_HIGH);
  return true;
}

void MiddlewareWindow::ShowValues() {
  const ExchangeScope exchange(exchanging_);

  ::SetDlgItemInt(window_, IDC_KEY_SCAN_SPEED, static_cast<UINT>(keyScanSpeed), TRUE);
  SetChecked(window_, IDC_SCAN_KEY_BUZZER, scanKeyBuzzer);
  ::SetDlgItemInt(window_, IDC_BUZZER_DURATION, buzzerDuration, FALSE);
  SetChecked(window_, IDC_GENERIC_REPORT, genericReportMode);
  for (int i = 0; i < 4; ++i) ::SetDlgItemInt(window_, IDC_REPORT_BYTE1 + i, reportBytes[i], FALSE);
  std::vector<std::string> items;
  for (const char* mode : kScanModes) items.emplace_back(mode);
  const std::optional<std::size_t> selected = FindListItemStartingWith(items, scanMode);
  ::SendDlgItemMessageA(window_, IDC_SCAN_MODE, CB_SETCURSEL, selected ? *selected : static_cast<WPARAM>(-1), 0);
  SetChecked(window_, IDC_GPIO_PULL_HIGH, gpioPullHigh);
}

void MiddlewareWindow::ApplyPanelDefaults() {
  for (int control : {IDC_EEPROM_ADDRESS, IDC_EEPROM_VALUE, IDC_READ_ADDRESS, IDC_READ_RESULT})
    ::SetDlgItemTextA(window_, control, "0");
  monitorRunning = 0;
  keyScanSpeed = 32;
  buzzerDuration = 200;
  scanMode = "SCAN4X4";
  ShowValues();
  RefreshPanelState();
}

void MiddlewareWindow::RefreshPanelState() {
  for (int control : kSetReportRowIds)
    if (HWND item = ::GetDlgItem(window_, control)) ::ShowWindow(item, genericReportMode != 0 ? SW_SHOW : SW_HIDE);
  for (int control : kMonitorSettingIds) EnableControl(window_, control, monitorRunning == 0);
}

std::optional<LRESULT> MiddlewareWindow::HandlePanelCommand(WORD command, WORD notification) {
  if (exchanging_) return std::nullopt;  // text written by an exchange triggers no handler
  switch (command) {
    case IDC_BUZZER_ON:
      if (notification != BN_CLICKED) return std::nullopt;
      HidBuzzerOn();
      return 0;
    case IDC_BUZZER_OFF:
      if (notification != BN_CLICKED) return std::nullopt;
      HidBuzzerOff();
      return 0;
    case IDC_WRITE_EEPROM: {
      if (notification != BN_CLICKED) return std::nullopt;
      const std::int32_t address = ParsePanelDecimal(ControlText(window_, IDC_EEPROM_ADDRESS, 19));
      const std::uint16_t value = ParseHexWord(ControlText(window_, IDC_EEPROM_VALUE, 19));
      HidWriteEeprom(static_cast<UINT>(address), value);
      return 0;
    }
    case IDC_READ_EEPROM: {
      if (notification != BN_CLICKED) return std::nullopt;
      const std::int32_t address = ParsePanelDecimal(ControlText(window_, IDC_READ_ADDRESS, 19));
      UINT word = 0;
      if (HidReadEeprom(static_cast<UINT>(address), &word) != 0)
        ::SetDlgItemTextA(window_, IDC_READ_RESULT, FormatEepromWord(word).c_str());
      return 0;
    }
    case IDC_START_MONITOR:
      if (notification != BN_CLICKED) return std::nullopt;
      ToggleMonitor();
      return 0;
    case IDC_SET_GPIO:
      return notification == BN_CLICKED ? std::optional<LRESULT>(0) : std::nullopt;
    case IDC_CLEAR:
      if (notification != BN_CLICKED) return std::nullopt;
      ::SendMessageA(infoList, LB_RESETCONTENT, 0, 0);
      return 0;
    case IDC_START_KEY_SCAN:
      if (notification != BN_CLICKED) return std::nullopt;
      StartKeyScan();
      return 0;
    case IDC_STOP_KEY_SCAN:
      if (notification != BN_CLICKED) return std::nullopt;
      HidStopKeyScan();
      for (int control : kScanSettingIds) EnableControl(window_, control, true);
      EnableControl(window_, IDC_STOP_KEY_SCAN, false);
      return 0;
    case IDC_KEY_SCAN_SPEED:
      if (notification != EN_CHANGE) return std::nullopt;
      TakeValues();
      HidSetKeyScanSpeed(keyScanSpeed);
      return 0;
    case IDC_SET_REPORT:
      if (notification != BN_CLICKED) return std::nullopt;
      if (monitorRunning != 0 && genericReportMode != 0) {
        TakeValues();
        HidSetReport(reportBytes[0], reportBytes[1], reportBytes[2], reportBytes[3]);
      }
      return 0;
    case IDC_SEND_TEXT:
      SendTextAsReports();
      return 0;
    case IDC_SCAN_MODE:
      if (notification != CBN_SELCHANGE) return std::nullopt;
      TakeValues();
      if (HWND pullHigh = ::GetDlgItem(window_, IDC_GPIO_PULL_HIGH))
        ::ShowWindow(pullHigh, IsScanMode2x2(scanMode) ? SW_SHOW : SW_HIDE);
      return 0;
    case IDC_GENERIC_REPORT:
      if (notification != BN_CLICKED) return std::nullopt;
      TakeValues();
      RefreshPanelState();
      return 0;
    default:
      return std::nullopt;
  }
}

void MiddlewareWindow::StartKeyScan() {
  TakeValues();
  HidSetKeyScanSpeed(keyScanSpeed);
  HidSetBuzzerDuration(buzzerDuration);
  HidSetScanKeyBuzzer(scanKeyBuzzer);
  switch (ChooseKeyScan(scanMode)) {
    case KeyScanStart::Scan4x4:
      HidStartKeyScan4x4();
      break;
    case KeyScanStart::Scan4x5:
      HidStartKeyScan4x5();
      break;
    case KeyScanStart::Scan2x3:
      HidStartKeyScan2x3();
      break;
    case KeyScanStart::Scan2x2:
      HidStartKeyScan2x2(gpioPullHigh);
      break;
    case KeyScanStart::None:
      break;
  }
  for (int control : kScanSettingIds) EnableControl(window_, control, false);
  EnableControl(window_, IDC_STOP_KEY_SCAN, true);
}

void MiddlewareWindow::SendTextAsReports() {
  TakeValues();
  const std::vector<TextReport> reports = SplitTextIntoReports(sendText);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const TextReport& report = reports[i];
    HidSetReport(report[0], report[1], report[2], report[3]);
    if (i + 1 < reports.size() && sendDelayMs != 0) ::Sleep(sendDelayMs);
  }
}

}  // namespace kprt5
