#include "bare_program_win32.h"

#include <stdexcept>

#include "program_harness.h"

namespace kprt5::bench {

BareProgram::BareProgram(const std::string& exeName, const std::string& arguments) : exeName_(exeName) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  const std::string folder = e2e::BuildFolder();
  std::string commandLine = "\"" + folder + "\\" + exeName + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process_))
    throw std::runtime_error("cannot start " + exeName);
}

BareProgram::~BareProgram() {
  End();
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

HWND BareProgram::WaitForWindow(const char* className, const char* caption, std::chrono::milliseconds timeout) {
  e2e::WaitUntil(
      [&] {
        for (HWND window = ::FindWindowExA(nullptr, nullptr, className, caption); window != nullptr;
             window = ::FindWindowExA(nullptr, window, className, caption)) {
          DWORD owner = 0;
          ::GetWindowThreadProcessId(window, &owner);
          if (owner == process_.dwProcessId) {
            window_ = window;
            return true;
          }
        }
        return false;
      },
      timeout);
  return window_;
}

void BareProgram::End() {
  if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0) return;
  if (window_ != nullptr) ::PostMessageA(window_, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process_.hProcess, window_ != nullptr ? 5000 : 0) == WAIT_OBJECT_0) return;
  ::TerminateProcess(process_.hProcess, 1);
  ::WaitForSingleObject(process_.hProcess, 5000);
}

}  // namespace kprt5::bench
