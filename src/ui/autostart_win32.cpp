#include "ui/autostart_win32.h"

#include <shlobj.h>

#include <cstring>

#include "app/win32_handles.h"
#include "ui/startup_flag.h"
#include "ui/tray_icon_win32.h"

namespace kprt5 {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "VizeRizozMiddleware";

bool QueryFits(HKEY key) {
  char area[256] = {};
  DWORD size = sizeof area;
  return ::RegQueryValueExA(key, kAutostartValue, nullptr, nullptr, reinterpret_cast<BYTE*>(area), &size) ==
         ERROR_SUCCESS;
}

}  // namespace

std::string LookupProgramFilesFolder() {
  char path[MAX_PATH + 1] = {};
  LPITEMIDLIST items = nullptr;
  if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAM_FILES, &items)) && items != nullptr) {
    ::SHGetPathFromIDListA(items, path);
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator != nullptr) {
      allocator->Free(items);
      allocator->Release();
    }
  }
  return path;
}

void RegisterAutostart() {
  const std::string folder = LookupProgramFilesFolder();
  HKEY rawKey = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &rawKey) != ERROR_SUCCESS) return;
  UniqueRegistryKey key(rawKey);
  if (QueryFits(key.Get())) return;
  const AutostartPath path = BuildAutostartPath(folder, true);
  ::RegSetValueExA(key.Get(), kAutostartValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.text),
                   static_cast<DWORD>(std::strlen(path.text) + 1));
}

int WriteRegistryValue(HKEY root, const char* keyPath, const char* valueName, const void* data, int type) {
  HKEY rawKey = nullptr;
  if (::RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &rawKey,
                        nullptr) != ERROR_SUCCESS)
    return 0;
  UniqueRegistryKey key(rawKey);
  if (type == REG_SZ) {
    const char* text = static_cast<const char*>(data);
    ::RegSetValueExA(key.Get(), valueName, 0, REG_SZ, static_cast<const BYTE*>(data),
                     static_cast<DWORD>(std::strlen(text) + 1));
  } else if (type == REG_DWORD) {
    ::RegSetValueExA(key.Get(), valueName, 0, REG_DWORD, static_cast<const BYTE*>(data), sizeof(DWORD));
  }
  return 1;
}

void TrayIcon::SetStartup(int flag) {
  const std::string folder = LookupProgramFilesFolder();
  startupEnabled_ = flag;
  char flagText[16] = {};
  wsprintfA(flagText, "%d", flag);
  ::WritePrivateProfileStringA("Environment", "bStartup", flagText, "VIZERIZOZ.INI");
  const AutostartPath path = BuildAutostartPath(folder, flag != 0);
  WriteRegistryValue(HKEY_CURRENT_USER, kRunKey, kAutostartValue, path.text, REG_SZ);
}

bool IsUninstalled() {
  HKEY rawKey = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &rawKey) != ERROR_SUCCESS) return false;
  UniqueRegistryKey key(rawKey);
  return !QueryFits(key.Get());
}

}  // namespace kprt5
