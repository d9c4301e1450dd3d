#include "device/handset_devices_win32.h"

#include <windows.h>
#include <devguid.h>
#include <setupapi.h>

#include <span>

#include "device/hardware_id.h"

namespace kprt5 {
namespace {

class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  ~DeviceInfoSet() {
    if (IsOpen()) ::SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;

  bool IsOpen() const { return set_ != INVALID_HANDLE_VALUE && set_ != nullptr; }
  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

DeviceInfoSet OpenMediaDevices(const char* enumerator, DWORD flags) {
  return DeviceInfoSet(::SetupDiGetClassDevsA(&GUID_DEVCLASS_MEDIA, enumerator, nullptr, flags));
}

// Walks the set from index 0 and returns the first member whose first hardware id is the handset's.
std::optional<SP_DEVINFO_DATA> FindHandset(const DeviceInfoSet& devices) {
  SP_DEVINFO_DATA member{};
  member.cbSize = sizeof member;
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices.Get(), index, &member); ++index) {
    char area[kHardwareIdAreaSize] = {};
    DWORD size = 0;
    if (::SetupDiGetDeviceRegistryPropertyA(devices.Get(), &member, SPDRP_HARDWAREID, nullptr,
                                            reinterpret_cast<BYTE*>(area), sizeof area, &size) &&
        IsHandsetHardwareIdList(std::span<const char>(area), size))
      return member;
    member = SP_DEVINFO_DATA{};
    member.cbSize = sizeof member;
  }
  return std::nullopt;
}

}  // namespace

bool IsHandsetPresent() {
  DeviceInfoSet present = OpenMediaDevices("USB", DIGCF_PRESENT);
  if (present.IsOpen()) return FindHandset(present).has_value();
  DeviceInfoSet profile = OpenMediaDevices(nullptr, DIGCF_PROFILE);
  if (!profile.IsOpen()) return false;
  return FindHandset(profile).has_value();
}

std::optional<std::string> ReadHandsetDescription() {
  DeviceInfoSet present = OpenMediaDevices("USB", DIGCF_PRESENT);
  if (!present.IsOpen()) return std::nullopt;
  std::optional<SP_DEVINFO_DATA> handset = FindHandset(present);
  if (!handset) return std::nullopt;
  char description[256] = {};
  if (!::SetupDiGetDeviceRegistryPropertyA(present.Get(), &*handset, SPDRP_DEVICEDESC, nullptr,
                                           reinterpret_cast<BYTE*>(description), sizeof description - 1, nullptr))
    return std::nullopt;
  description[sizeof description - 1] = '\0';
  return std::string(description);
}

}  // namespace kprt5
