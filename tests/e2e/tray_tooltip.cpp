#include "tray_tooltip.h"

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "wide_text.h"

namespace e2e {
namespace {

constexpr const char* kTrayIconClass = "__winex11_tray_icon";
constexpr std::size_t kTextChars = 1024;  // the most a tooltip control copies out
constexpr std::size_t kTextSize = kTextChars * sizeof(wchar_t);

struct ProcessHandle {
  explicit ProcessHandle(HANDLE handle) : value(handle) {}
  ~ProcessHandle() {
    if (value != nullptr) CloseHandle(value);
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  HANDLE value;
};

// A block of memory inside another process, freed with it.
struct RemoteBlock {
  RemoteBlock(HANDLE process, std::size_t size)
      : process_(process), address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBlock() {
    if (address != nullptr) VirtualFreeEx(process_, address, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

 private:
  HANDLE process_;

 public:
  void* address;
};

// TTTOOLINFOW as a 64-bit process lays it out: Wine's explorer, which shows the icons, is 64-bit
// in a 64-bit prefix while this test is 32-bit.
struct ToolInfo64 {
  std::uint32_t cbSize;
  std::uint32_t uFlags;
  std::uint64_t hwnd;
  std::uint64_t uId;
  std::int32_t rect[4];
  std::uint64_t hinst;
  std::uint64_t lpszText;
  std::uint64_t lParam;
  std::uint64_t lpReserved;
};
static_assert(sizeof(ToolInfo64) == 72 && offsetof(ToolInfo64, lpszText) == 48);

bool IsSixtyFourBit(HANDLE process) {
  BOOL selfWow64 = FALSE;
  BOOL targetWow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &selfWow64);
  IsWow64Process(process, &targetWow64);
  return selfWow64 != FALSE && targetWow64 == FALSE;
}

// The tool's window and text pointer as the tooltip control filled them in.
struct ToolAnswer {
  HWND window = nullptr;
  std::uintptr_t text = 0;
};

// Asks `tooltip` for its first tool, with the record and a text area in the control's process.
bool EnumFirstTool(HWND tooltip, HANDLE process, void* record, std::uintptr_t remoteText, ToolAnswer& answer) {
  const bool wide = IsSixtyFourBit(process);
  ToolInfo64 info64{};
  TTTOOLINFOW info32{};
  info64.cbSize = sizeof info64;
  info64.lpszText = remoteText;
  info32.cbSize = sizeof info32;
  info32.lpszText = reinterpret_cast<LPWSTR>(remoteText);
  const void* local = wide ? static_cast<const void*>(&info64) : static_cast<const void*>(&info32);
  const std::size_t size = wide ? sizeof info64 : sizeof info32;
  if (!WriteProcessMemory(process, record, local, size, nullptr)) return false;
  DWORD_PTR found = 0;
  if (SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(record), SMTO_ABORTIFHUNG, 2000,
                          &found) == 0 ||
      found == 0)
    return false;
  if (wide) {
    if (!ReadProcessMemory(process, record, &info64, sizeof info64, nullptr)) return false;
    answer = {reinterpret_cast<HWND>(static_cast<std::uintptr_t>(info64.hwnd)),
              static_cast<std::uintptr_t>(info64.lpszText)};
  } else {
    if (!ReadProcessMemory(process, record, &info32, sizeof info32, nullptr)) return false;
    answer = {info32.hwnd, reinterpret_cast<std::uintptr_t>(info32.lpszText)};
  }
  return true;
}

// The text of the first tool of `tooltip` when that tool is a tray icon; false otherwise.
bool ReadTrayTip(HWND tooltip, std::string& text) {
  DWORD processId = 0;
  GetWindowThreadProcessId(tooltip, &processId);
  ProcessHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                        PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (process.value == nullptr) return false;
  constexpr std::size_t kRecordSize = 128;  // room for either layout of the record
  RemoteBlock block(process.value, kRecordSize + kTextSize);
  if (block.address == nullptr) return false;
  const std::uintptr_t remoteText = reinterpret_cast<std::uintptr_t>(block.address) + kRecordSize;
  const std::vector<char> zeros(kTextSize);
  if (!WriteProcessMemory(process.value, reinterpret_cast<void*>(remoteText), zeros.data(), zeros.size(), nullptr))
    return false;
  ToolAnswer answer;
  if (!EnumFirstTool(tooltip, process.value, block.address, remoteText, answer)) return false;
  char className[64] = {};
  GetClassNameA(answer.window, className, sizeof className);
  if (std::strcmp(className, kTrayIconClass) != 0 || answer.text != remoteText) return false;
  std::vector<wchar_t> buffer(kTextChars + 1);
  if (!ReadProcessMemory(process.value, reinterpret_cast<void*>(remoteText), buffer.data(), kTextSize, nullptr))
    return false;
  text = Utf8(buffer.data());
  return true;
}

BOOL CALLBACK CollectTrayTip(HWND window, LPARAM parameter) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, TOOLTIPS_CLASSA) != 0) return TRUE;
  std::string text;
  if (ReadTrayTip(window, text)) reinterpret_cast<std::vector<std::string>*>(parameter)->push_back(text);
  return TRUE;
}

}  // namespace

std::vector<std::string> TrayTooltips() {
  std::vector<std::string> texts;
  EnumWindows(&CollectTrayTip, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

std::string ProgramString(const std::string& programPath, unsigned id) {
  HMODULE module = LoadLibraryExA(programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return {};
  wchar_t text[256] = {};
  LoadStringW(module, id, text, 256);
  FreeLibrary(module);
  return Utf8(text);
}

}  // namespace e2e
