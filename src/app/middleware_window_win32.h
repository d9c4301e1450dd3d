#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "app/process_records.h"
#include "audio/speaker_level.h"
#include "skype/skype_attach.h"
#include "ui/tray_icon_win32.h"

namespace kprt5 {

// The program's one window: a modal dialog built from template 102, kept hidden, receiver of every
// message the program reacts to. Its operations live in the files of the subsystems they serve.
class MiddlewareWindow {
 public:
  explicit MiddlewareWindow(ProcessRecords& records);
  MiddlewareWindow(const MiddlewareWindow&) = delete;
  MiddlewareWindow& operator=(const MiddlewareWindow&) = delete;

  // Runs the window modally; returns when it has ended and been destroyed.
  INT_PTR RunModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own procedure in front of the dialog's: Skype's notifications are answered from
  // here, every other message goes on to the dialog's procedure.
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Application shell.
  BOOL OnInitDialog();
  std::optional<LRESULT> HandleTableMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> HandleCommand(WORD command, WORD notification);
  void OnTimer(UINT_PTR timer);
  bool OnPaintMinimised();
  void OnShutdown();
  void HideSavingRect();
  void ShowAtSavedRect();
  void EndWithOk();
  void Exit();
  void SuperviseLink();

  // Skype link: every message the table does not handle.
  std::optional<LRESULT> DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnDeviceMessage(UINT message, WPARAM wParam);
  class CallEffects;
  class AudioNames;
  class HookActions;
  class SupervisorTray;

  // Handset device.
  void ToggleMonitor();
  bool IsHandsetPresent() const;

  // Audio routing.
  void SelectHandsetAudio();
  void DisableHandsetMicAgc();
  void RestoreDefaultAudio();
  void StepSpeakerVolume(VolumeDirection direction);
  void RaiseSpeakerForCall();
  void RestoreSpeakerLevel();
  void LookupHandsetAudioName(char (&area)[256], HandsetAudioProperty property);

  // Engineering panel.
  void BindPanelControls();
  bool TakeValues();
  void ShowValues();
  void ApplyPanelDefaults();
  void RefreshPanelState();
  std::optional<LRESULT> HandlePanelCommand(WORD command, WORD notification);
  void StartKeyScan();
  void SendTextAsReports();

 public:
  // Fields, in declaration order (the panel's exchange fields among them).
  TrayIcon tray;
  HWND boundEdits[8] = {};
  HWND infoList = nullptr;
  std::int32_t keyScanSpeed = 0;
  std::uint32_t scanKeyBuzzer = 0;
  std::uint32_t buzzerDuration = 0;
  std::uint32_t genericReportMode = 0;
  std::uint8_t reportBytes[4] = {};
  std::string sendText;
  std::uint32_t sendDelayMs = 0;
  std::string scanMode;
  std::uint32_t gpioPullHigh = 0;
  char deviceIdText[256] = "Vid_7a3e&Pid_01b5";
  float maxLevelDb = -0.0625f;
  RECT savedRect{};
  HICON windowIcon = nullptr;
  std::uint32_t monitorRunning = 0;
  std::uint16_t vendorId = 0x7A3E;
  std::uint16_t productId = 0x01B5;
  SavedLevel savedLevel;  // savedLevelValid, savedLevelDb

 private:
  ProcessRecords& records_;
  HWND window_ = nullptr;
  WNDPROC dialogWindowProc_ = nullptr;  // the dialog's procedure, behind WindowProc
  bool exchanging_ = false;  // control notifications during an exchange are ignored
  // Broadcast when the notification area is (re)created, e.g. after the shell restarts.
  UINT taskbarCreatedMessage_ = ::RegisterWindowMessageA("TaskbarCreated");
  UniqueMixer handsetMixer_;  // the mixer of the last successful name lookup, closed at shutdown
};

}  // namespace kprt5
