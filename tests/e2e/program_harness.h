#pragma once
// Runs the real KPRT5.exe under Wine for whole-program scenarios: prepares its folder, plants the
// registry state a scenario needs, starts it, finds its window and ends it cleanly.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "virtual_handset.h"

namespace e2e {

using namespace std::chrono_literals;

// Polls `condition` every few milliseconds until it holds or `timeout` has passed.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

// Registry state of the autostart values (this test process is 32-bit, so HKLM\Software is the
// same 32-bit view the program reads).
void SetMachineAutostartValue(const std::string& data);
void DeleteMachineAutostartValue();
void SetUserAutostartValue(const std::string& data);
void DeleteUserAutostartValue();
std::string ReadUserAutostartValue();  // empty when missing

// The folder that holds this test program, KPRT5.exe and the two libraries.
std::string BuildFolder();

// Waits until `window` has handled everything posted to it so far. Posted messages are handled in
// order, and the handset library hears of every device-change notice: once a marked notice posted
// now has reached `handset` `copies` times (the program passes each notice on twice while its
// monitor runs), everything posted before it is done. False after 10 s.
bool SettleWindow(const kprt5::handset::VirtualHandset& handset, HWND window, int copies = 1);
// The wParam of the device-change notices that SettleWindow posts.
inline constexpr std::uint32_t kSettleMarker = 0x5E77;

class ProgramUnderTest {
 public:
  ProgramUnderTest();  // copies the program and its libraries into a folder of its own
  ~ProgramUnderTest();  // ends the program: Exit when it answers, else by its process handle
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  // Starts one process of the program; returns its process handle (owned by this object).
  HANDLE Start();
  // Waits for the main window of the started process to appear.
  HWND WaitForWindow(std::chrono::milliseconds timeout = 10s);
  HWND Window() const { return window_; }
  DWORD ProcessId() const { return processInfo_.dwProcessId; }
  HANDLE Process() const { return processInfo_.hProcess; }
  bool WaitForExit(std::chrono::milliseconds timeout = 10s);
  DWORD ExitCode() const;
  // Sends the tray menu's Exit command and waits for the process to end.
  bool Exit(std::chrono::milliseconds timeout = 10s);
  void Kill();

  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  PROCESS_INFORMATION processInfo_{};
  HWND window_ = nullptr;
};

// Top-level windows of a process that carry the main window's caption.
HWND FindProgramWindow(DWORD processId);
// The icons in Wine's notification area (without a desktop, a standalone tray window whose
// children are the icons).
int TrayIconCount();
// Whether the main window of `processId` is visible.
bool IsShown(HWND window);

}  // namespace e2e
