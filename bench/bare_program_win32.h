// One of the bare baseline programs, started from the folder that holds the bench, and ended by
// WM_CLOSE to its window (or killed) when it goes.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace kprt5::bench {

class BareProgram {
 public:
  // Starts `<bench folder>\<exeName> <arguments>`; throws std::runtime_error when it cannot.
  BareProgram(const std::string& exeName, const std::string& arguments = {});
  ~BareProgram();
  BareProgram(const BareProgram&) = delete;
  BareProgram& operator=(const BareProgram&) = delete;

  // Waits for this process's top-level window of that class (and caption, when not null).
  HWND WaitForWindow(const char* className, const char* caption = nullptr,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));
  HANDLE Process() const { return process_.hProcess; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  const std::string& ExeName() const { return exeName_; }
  // WM_CLOSE to its window, then waits for the process to end; kills it when it does not.
  void End();

 private:
  std::string exeName_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

}  // namespace kprt5::bench
