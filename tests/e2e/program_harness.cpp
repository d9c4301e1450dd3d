#include "program_harness.h"

#include <cstring>
#include <stdexcept>
#include <thread>

namespace e2e {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "VizeRizozMiddleware";
constexpr const char* kCaption = "Vexlo ZELT KP-RT5";
constexpr WPARAM kExitCommand = 32773;

void SetValue(HKEY root, const std::string& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open the Run key");
  RegSetValueExA(key, kAutostartValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
  RegCloseKey(key);
}

void DeleteValue(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, kAutostartValue);
  RegCloseKey(key);
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchProgramWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId) return TRUE;
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(caption, kCaption) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

void CopyOrThrow(const std::string& from, const std::string& to) {
  if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) throw std::runtime_error("cannot copy " + from);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

bool SettleWindow(const kprt5::handset::VirtualHandset& handset, HWND window, int copies) {
  static std::uint32_t marker = 0;
  const std::uint32_t mark = ++marker;
  PostMessageA(window, WM_DEVICECHANGE, kSettleMarker, static_cast<LPARAM>(mark));
  return handset.WaitForLog(
      [mark, copies](const std::vector<kprt5::handset::LogEntry>& log) {
        int seen = 0;
        for (const auto& entry : log)
          if (entry.function == "HidOnDeviceChange" && entry.args.size() == 2 && entry.args[0] == kSettleMarker &&
              entry.args[1] == mark)
            ++seen;
        return seen >= copies;
      },
      10s);
}

void SetMachineAutostartValue(const std::string& data) { SetValue(HKEY_LOCAL_MACHINE, data); }
void DeleteMachineAutostartValue() { DeleteValue(HKEY_LOCAL_MACHINE); }
void SetUserAutostartValue(const std::string& data) { SetValue(HKEY_CURRENT_USER, data); }
void DeleteUserAutostartValue() { DeleteValue(HKEY_CURRENT_USER); }

std::string ReadUserAutostartValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  const bool read = RegQueryValueExA(key, kAutostartValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) ==
                    ERROR_SUCCESS;
  RegCloseKey(key);
  return read ? std::string(data) : std::string();
}

std::string BuildFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of("\\/"));
}

HWND FindProgramWindow(DWORD processId) {
  WindowSearch search{processId, nullptr};
  EnumWindows(&MatchProgramWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int TrayIconCount() {
  int count = 0;
  for (HWND tray = FindWindowExA(nullptr, nullptr, "__winex11_standalone_tray", nullptr); tray != nullptr;
       tray = FindWindowExA(nullptr, tray, "__winex11_standalone_tray", nullptr))
    for (HWND icon = FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr); icon != nullptr;
         icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr))
      ++count;
  return count;
}

bool IsShown(HWND window) { return IsWindowVisible(window) != FALSE; }

ProgramUnderTest::ProgramUnderTest() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  static int instances = 0;
  folder_ = std::string(temp) + "kprt5-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instances);
  CreateDirectoryA(folder_.c_str(), nullptr);
  const std::string build = BuildFolder();
  for (const char* file : {"KPRT5.exe", "ZU_VAZ.dll", "ROre.dll"})
    CopyOrThrow(build + "\\" + file, folder_ + "\\" + file);
  // Without the machine-wide value the program takes itself for uninstalled and ends.
  SetMachineAutostartValue(folder_ + "\\KPRT5.exe");
}

ProgramUnderTest::~ProgramUnderTest() {
  if (processInfo_.hProcess != nullptr) {
    if (WaitForSingleObject(processInfo_.hProcess, 0) == WAIT_TIMEOUT && !Exit(5s)) Kill();
    CloseHandle(processInfo_.hProcess);
    CloseHandle(processInfo_.hThread);
  }
  for (const char* file : {"KPRT5.exe", "ZU_VAZ.dll", "ROre.dll"}) DeleteFileA((folder_ + "\\" + file).c_str());
  RemoveDirectoryA(folder_.c_str());
}

HANDLE ProgramUnderTest::Start() {
  if (processInfo_.hProcess != nullptr) throw std::runtime_error("the program was already started");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + folder_ + "\\KPRT5.exe\"";
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                      &processInfo_))
    throw std::runtime_error("cannot start KPRT5.exe");
  return processInfo_.hProcess;
}

HWND ProgramUnderTest::WaitForWindow(std::chrono::milliseconds timeout) {
  WaitUntil([this] { return (window_ = FindProgramWindow(processInfo_.dwProcessId)) != nullptr; }, timeout);
  return window_;
}

bool ProgramUnderTest::WaitForExit(std::chrono::milliseconds timeout) {
  return WaitForSingleObject(processInfo_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD ProgramUnderTest::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(processInfo_.hProcess, &code);
  return code;
}

bool ProgramUnderTest::Exit(std::chrono::milliseconds timeout) {
  if (window_ == nullptr) window_ = FindProgramWindow(processInfo_.dwProcessId);
  if (window_ == nullptr) return false;
  PostMessageA(window_, WM_COMMAND, kExitCommand, 0);
  return WaitForExit(timeout);
}

void ProgramUnderTest::Kill() {
  TerminateProcess(processInfo_.hProcess, 1);
  WaitForSingleObject(processInfo_.hProcess, 5000);
}

}  // namespace e2e
