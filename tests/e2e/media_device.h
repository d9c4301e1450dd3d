#pragma once
// A USB device of the media class planted in the registry, so that the device-setup functions of
// the process (and of the program started beside it) find it.
//
// Wine's device-class enumeration reads nothing but the registry: SetupDiGetClassDevs walks
// HKLM\System\CurrentControlSet\Enum\<enumerator>\<device>\<instance> and takes every instance
// whose ClassGUID value (REG_SZ, "{...}", either letter case) names the class asked for. It does
// not test DIGCF_PRESENT, so no Driver value, service, ConfigFlags or device node is needed: the
// three values below are the whole recipe. SPDRP_HARDWAREID then reads the HardwareID value
// (REG_MULTI_SZ) and SPDRP_DEVICEDESC the DeviceDesc value of the instance key. Deleting the
// instance key unplugs the device. HKLM\System is not redirected for 32-bit processes, so the
// 32-bit test and the 32-bit program see the same keys. (On Windows the Enum tree belongs to the
// system and cannot be planted this way.)
//
// Header-only, so tests/win32 and tests/e2e plant the same device.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace e2e {

inline constexpr char kMediaClassGuid[] = "{4d36e96c-e325-11ce-bfc1-08002be10318}";
inline constexpr char kUsbEnumKey[] = "System\\CurrentControlSet\\Enum\\USB";
inline constexpr char kHandsetDeviceKey[] = "VID_7A3E&PID_01B5&MI_00";
inline constexpr char kHandsetFirstHardwareId[] = "USB\\Vid_7a3e&Pid_01b5&Rev_0100&MI_00";

// What one planted device carries. The defaults are the handset's audio function at revision 0100.
struct MediaDeviceRecord {
  std::string enumKey = kUsbEnumKey;     // under HKLM: the enumerator's key
  std::string deviceKey = kHandsetDeviceKey;
  std::string instance = "6&2c7e5a1&0&0000";
  std::vector<std::string> hardwareIds = {kHandsetFirstHardwareId, "USB\\Vid_7a3e&Pid_01b5&MI_00"};
  std::string description = "USB Audio Device";
  std::string classGuid = kMediaClassGuid;
};

// Owns one planted device: the constructor writes its instance key, the destructor deletes it
// again (and the device key when no other instance is left under it). Move-only.
class PlantedMediaDevice {
 public:
  explicit PlantedMediaDevice(MediaDeviceRecord record = {}) : record_(std::move(record)) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, InstancePath().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
      return;
    std::string ids;
    for (const std::string& id : record_.hardwareIds) ids.append(id).push_back('\0');
    ids.push_back('\0');
    planted_ = SetValue(key, "HardwareID", REG_MULTI_SZ, ids) &&
               SetValue(key, "DeviceDesc", REG_SZ, record_.description + '\0') &&
               SetValue(key, "ClassGUID", REG_SZ, record_.classGuid + '\0');
    ::RegCloseKey(key);
    written_ = true;
  }
  ~PlantedMediaDevice() { Unplug(); }
  PlantedMediaDevice(PlantedMediaDevice&& other) noexcept
      : record_(std::move(other.record_)), planted_(std::exchange(other.planted_, false)),
        written_(std::exchange(other.written_, false)) {}
  PlantedMediaDevice& operator=(PlantedMediaDevice&&) = delete;
  PlantedMediaDevice(const PlantedMediaDevice&) = delete;
  PlantedMediaDevice& operator=(const PlantedMediaDevice&) = delete;

  // Whether all three values were written.
  bool Planted() const { return planted_; }

  // Deletes the instance key, and the device key when it is left empty.
  void Unplug() {
    if (!written_) return;
    written_ = false;
    planted_ = false;
    const std::string devicePath = record_.enumKey + "\\" + record_.deviceKey;
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, InstancePath().c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, devicePath.c_str());  // fails while other instances remain
  }

 private:
  std::string InstancePath() const { return record_.enumKey + "\\" + record_.deviceKey + "\\" + record_.instance; }

  static bool SetValue(HKEY key, const char* name, DWORD type, const std::string& data) {
    return ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }

  MediaDeviceRecord record_;
  bool planted_ = false;
  bool written_ = false;
};

}  // namespace e2e
