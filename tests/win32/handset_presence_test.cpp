// The presence test against Wine's real device-setup functions, with media devices planted in the
// registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../e2e/media_device.h"
#include "device/handset_devices_win32.h"

namespace {

using e2e::MediaDeviceRecord;
using e2e::PlantedMediaDevice;

MediaDeviceRecord Handset() { return {}; }

MediaDeviceRecord WithIds(std::vector<std::string> ids, std::string deviceKey = e2e::kHandsetDeviceKey) {
  MediaDeviceRecord record;
  record.hardwareIds = std::move(ids);
  record.deviceKey = std::move(deviceKey);
  return record;
}

struct PresenceCase {
  const char* name;
  std::vector<MediaDeviceRecord> devices;
  bool present;
};

class HandsetPresenceTest : public ::testing::TestWithParam<PresenceCase> {};

TEST_P(HandsetPresenceTest, AnswersFromTheFirstHardwareIdOfPresentMediaDevices) {
  ASSERT_FALSE(kprt5::IsHandsetPresent()) << "the prefix holds a handset before the test planted one";
  {
    std::vector<PlantedMediaDevice> planted;
    planted.reserve(GetParam().devices.size());
    for (const MediaDeviceRecord& record : GetParam().devices) {
      planted.emplace_back(record);
      ASSERT_TRUE(planted.back().Planted()) << record.enumKey << "\\" << record.deviceKey;
    }
    EXPECT_EQ(kprt5::IsHandsetPresent(), GetParam().present);
  }
  EXPECT_FALSE(kprt5::IsHandsetPresent()) << "deleting the keys unplugs every device";
}

MediaDeviceRecord OtherClass() {
  MediaDeviceRecord record;
  record.classGuid = "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";  // human interface devices
  return record;
}

MediaDeviceRecord OtherEnumerator() {
  MediaDeviceRecord record;
  record.enumKey = "System\\CurrentControlSet\\Enum\\HID";
  return record;
}

MediaDeviceRecord UpperCaseClassGuid() {
  MediaDeviceRecord record;
  record.classGuid = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";
  return record;
}

MediaDeviceRecord OtherSpeaker() {
  MediaDeviceRecord record = WithIds({"USB\\Vid_0d8c&Pid_000c&Rev_0100&MI_00"}, "VID_0D8C&PID_000C&MI_00");
  record.description = "USB PnP Sound Device";
  return record;
}

INSTANTIATE_TEST_SUITE_P(
    Devices, HandsetPresenceTest,
    ::testing::Values(
        PresenceCase{"Present", {Handset()}, true},
        PresenceCase{"IdInOtherLetterCase", {WithIds({"usb\\VID_7A3E&PID_01B5&REV_0100&mi_00"})}, true},
        PresenceCase{"ClassGuidInUpperCase", {UpperCaseClassGuid()}, true},
        PresenceCase{"OtherRevision", {WithIds({"USB\\Vid_7a3e&Pid_01b5&Rev_0101&MI_00", "USB\\Vid_7a3e&Pid_01b5&MI_00"})},
                     false},
        PresenceCase{"OtherInterface",
                     {WithIds({"USB\\Vid_7a3e&Pid_01b5&Rev_0100&MI_01", "USB\\Vid_7a3e&Pid_01b5&MI_01"},
                              "VID_7A3E&PID_01B5&MI_01")},
                     false},
        PresenceCase{"IdSecondInList",
                     {WithIds({"USB\\Vid_7a3e&Pid_01b5&Rev_0200&MI_00", e2e::kHandsetFirstHardwareId})}, false},
        PresenceCase{"Absent", {}, false},
        PresenceCase{"OnlyAnotherSoundDevice", {OtherSpeaker()}, false},
        PresenceCase{"HandsetAfterAnotherSoundDevice", {OtherSpeaker(), Handset()}, true},
        PresenceCase{"OtherClass", {OtherClass()}, false},
        PresenceCase{"OtherEnumerator", {OtherEnumerator()}, false},
        PresenceCase{"EmptyIdList", {WithIds({})}, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(HandsetPresenceTest, FollowsPluggingAndUnpluggingInOneProcess) {
  // Nothing is cached between calls: the answer follows the registry from one call to the next.
  PlantedMediaDevice handset;
  ASSERT_TRUE(handset.Planted());
  EXPECT_TRUE(kprt5::IsHandsetPresent());
  handset.Unplug();
  EXPECT_FALSE(kprt5::IsHandsetPresent());
  PlantedMediaDevice again;
  EXPECT_TRUE(kprt5::IsHandsetPresent());
}

TEST(HandsetDescriptionTest, ReadsTheDeviceDescriptionOfThePlantedHandset) {
  EXPECT_EQ(kprt5::ReadHandsetDescription(), std::nullopt);
  PlantedMediaDevice other(OtherSpeaker());
  PlantedMediaDevice handset;
  ASSERT_TRUE(handset.Planted());
  EXPECT_EQ(kprt5::ReadHandsetDescription(), std::optional<std::string>("USB Audio Device"));
}

}  // namespace
