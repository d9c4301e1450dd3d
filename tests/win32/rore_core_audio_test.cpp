// ROre.dll on Core Audio, under Wine with the session's ALSA devices: Wine's endpoints for the pcm
// "USB Audio Device" carry no USB path of their own ("{1}.ROOT\MEDIA\<n>"), so the test writes the
// handset's device instance id into their recorded properties, where Wine's property store reads
// it; the library then finds them by the device text as it would a real handset. The level is read
// and written in dB and clamped; the default-device calls fail cleanly (Wine has no policy
// interface), and so does gain control (Wine's endpoints have no device topology); the caller's
// COM apartment is left as it was; a virtual handset, when there is one, still answers first; and
// nothing leaks over a thousand calls.
#include <windows.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <devicetopology.h>
#include <propsys.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "com_apartment_win32.h"
#include "com_ptr_win32.h"
#include "endpoint_lookup_win32.h"
#include "level_range.h"
#include "policy_config_win32.h"
#include "rore.h"
#include "speaker_level_win32.h"
#include "virtual_handset.h"

namespace kprt5::rore {
namespace {

using namespace std::chrono_literals;

constexpr char kDevice[] = "Vid_7a3e&Pid_01b5";
constexpr char kAlsaDevice[] = "USB Audio Device";
constexpr char kWineAlsaKey[] = "Software\\Wine\\Drivers\\winealsa.drv";
constexpr char kEndpointsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\";
constexpr char kInstanceIdValue[] = "{78C34FC8-104A-4ACA-9EA4-524D52996E57},256";
constexpr char kInstanceId[] = "USB\\VID_7A3E&PID_01B5&MI_00\\7&2a1f3b0c&0&0000";
constexpr PROPERTYKEY kFriendlyName = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 14};

// An open registry key, closed once.
class RegistryKey {
 public:
  RegistryKey(HKEY root, const std::string& path, REGSAM access) {
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, access, nullptr, &key_, nullptr) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

bool SetText(HKEY key, const char* name, const std::string& text, DWORD type) {
  const std::string data = type == REG_MULTI_SZ ? text + '\0' + '\0' : text + '\0';
  return key != nullptr && RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// The ids of the active endpoints of `flow` with this friendly name.
std::optional<std::wstring> EndpointNamed(EDataFlow flow, const std::wstring& name) {
  const ComApartment apartment;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  if (!enumerator) return std::nullopt;
  ComPtr<IMMDeviceCollection> endpoints;
  if (FAILED(enumerator->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, endpoints.Put()))) return std::nullopt;
  UINT count = 0;
  endpoints->GetCount(&count);
  for (UINT index = 0; index < count; ++index) {
    ComPtr<IMMDevice> endpoint;
    ComPtr<IPropertyStore> store;
    if (FAILED(endpoints->Item(index, endpoint.Put())) || FAILED(endpoint->OpenPropertyStore(STGM_READ, store.Put())))
      continue;
    PropertyValue value;
    if (SUCCEEDED(store->GetValue(kFriendlyName, value.Put())) && value.Text() != nullptr && name == value.Text())
      return EndpointId(*endpoint.Get());
  }
  return std::nullopt;
}

// The registry key under which Wine records an endpoint's properties: its id is
// "{0.0.<flow>.00000000}.{<guid>}", the key is named after the guid.
std::string PropertiesKey(EDataFlow flow, const std::wstring& endpointId) {
  const std::size_t brace = endpointId.rfind(L'{');
  const std::wstring guid = brace == std::wstring::npos ? endpointId : endpointId.substr(brace);
  return std::string(kEndpointsKey) + (flow == eRender ? "Render\\" : "Capture\\") +
         std::string(guid.begin(), guid.end()) + "\\Properties";
}

// The six defaults (render and capture, each role), as ids; empty text where there is none.
std::vector<std::wstring> CurrentDefaults() {
  const ComApartment apartment;
  std::vector<std::wstring> defaults;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  for (const EDataFlow flow : {eRender, eCapture})
    for (const ERole role : {eConsole, eMultimedia, eCommunications}) {
      ComPtr<IMMDevice> endpoint;
      std::optional<std::wstring> id;
      if (enumerator && SUCCEEDED(enumerator->GetDefaultAudioEndpoint(flow, role, endpoint.Put())) && endpoint)
        id = EndpointId(*endpoint.Get());
      defaults.push_back(id.value_or(L""));
    }
  return defaults;
}

// Runs `work` on a thread of its own (one with no COM of its own yet) and waits for it.
void OnFreshThread(const std::function<void()>& work) { std::thread(work).join(); }

class RoreCoreAudio : public ::testing::Test {
 protected:
  // Wine lists the ALSA devices named in the driver's values beside "default"; the endpoints it
  // makes for them get the handset's instance id.
  static void SetUpTestSuite() {
    const RegistryKey alsa(HKEY_CURRENT_USER, kWineAlsaKey, KEY_WRITE);
    if (!SetText(alsa.Get(), "ALSAOutputDevices", kAlsaDevice, REG_MULTI_SZ) ||
        !SetText(alsa.Get(), "ALSAInputDevices", kAlsaDevice, REG_MULTI_SZ))
      return;
    speaker = EndpointNamed(eRender, L"Out: USB Audio Device");
    microphone = EndpointNamed(eCapture, L"In: USB Audio Device");
    if (!speaker || !microphone) return;
    const RegistryKey render(HKEY_LOCAL_MACHINE, PropertiesKey(eRender, *speaker), KEY_WRITE | KEY_WOW64_64KEY);
    const RegistryKey capture(HKEY_LOCAL_MACHINE, PropertiesKey(eCapture, *microphone), KEY_WRITE | KEY_WOW64_64KEY);
    planted = SetText(render.Get(), kInstanceIdValue, kInstanceId, REG_SZ) &&
              SetText(capture.Get(), kInstanceIdValue, kInstanceId, REG_SZ);
  }

  static void TearDownTestSuite() {
    for (const auto& [flow, id] : {std::pair{eRender, speaker}, std::pair{eCapture, microphone}}) {
      if (!id) continue;
      const RegistryKey key(HKEY_LOCAL_MACHINE, PropertiesKey(flow, *id), KEY_WRITE | KEY_WOW64_64KEY);
      if (key.Get() != nullptr) RegDeleteValueA(key.Get(), kInstanceIdValue);
    }
    const RegistryKey alsa(HKEY_CURRENT_USER, kWineAlsaKey, KEY_WRITE);
    if (alsa.Get() != nullptr) {
      RegDeleteValueA(alsa.Get(), "ALSAOutputDevices");
      RegDeleteValueA(alsa.Get(), "ALSAInputDevices");
    }
  }

  void SetUp() override {
    ASSERT_TRUE(speaker && microphone) << "Wine lists no endpoints for the ALSA device \"" << kAlsaDevice << '"';
    ASSERT_TRUE(planted) << "the handset's instance id could not be written";
  }

  static inline std::optional<std::wstring> speaker;
  static inline std::optional<std::wstring> microphone;
  static inline bool planted = false;
};

TEST_F(RoreCoreAudio, FindsTheHandsetsActiveEndpointsByTheDeviceTextIgnoringCase) {
  const ComApartment apartment;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  ASSERT_TRUE(enumerator);
  struct Case {
    EDataFlow flow;
    const char* text;
    std::optional<std::wstring> found;
  };
  const Case cases[] = {
      {eRender, kDevice, speaker},
      {eCapture, kDevice, microphone},
      {eRender, "VID_7A3E&PID_01B5", speaker},
      {eCapture, "vid_7a3e&pid_01b5&mi_00", microphone},
      {eRender, "Vid_7a3e&Pid_01b6", std::nullopt},
      {eCapture, "Vid_0000&Pid_0000", std::nullopt},
      {eRender, "", std::nullopt},
  };
  for (const Case& c : cases) {
    const ComPtr<IMMDevice> found = FindHandsetEndpoint(*enumerator.Get(), c.flow, c.text);
    EXPECT_EQ(found ? EndpointId(*found.Get()) : std::nullopt, c.found) << c.text << (c.flow == eRender ? " render" : " capture");
  }
}

TEST_F(RoreCoreAudio, TheLevelRoundTripsInDbAndWritesAreClampedIntoTheRange) {
  // Wine keeps the level in the volume control object, so the round trip is made on one of them.
  const ComApartment apartment;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  ASSERT_TRUE(enumerator);
  const ComPtr<IMMDevice> endpoint = FindHandsetEndpoint(*enumerator.Get(), eRender, kDevice);
  ASSERT_TRUE(endpoint);
  ComPtr<IAudioEndpointVolume> volume;
  ASSERT_TRUE(SUCCEEDED(endpoint->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr, volume.PutVoid())));
  LevelRange range;
  float increment = 0.0f;
  ASSERT_TRUE(SUCCEEDED(volume->GetVolumeRange(&range.minDb, &range.maxDb, &increment)));
  ASSERT_LT(range.minDb, -28.375f) << "the range should hold every level the program writes";
  ASSERT_GE(range.maxDb, -0.05f);
  EXPECT_EQ(volume->SetMasterVolumeLevel(range.minDb - 900.0f, nullptr), E_INVALIDARG)
      << "Wine refuses a level outside the range, so clamping is what makes such writes work";

  struct Case {
    float written;
    float read;
  };
  const Case cases[] = {
      {-12.5f, -12.5f},
      {-28.375f, -28.375f},
      {-0.05f, -0.05f},
      {range.minDb, range.minDb},
      {range.maxDb, range.maxDb},
      {range.minDb - 900.0f, range.minDb},
      {range.maxDb + 6.0f, range.maxDb},
      {-std::numeric_limits<float>::infinity(), range.minDb},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(WriteMasterLevelDb(*volume.Get(), c.written)) << c.written;
    float read = 123.0f;
    EXPECT_TRUE(ReadMasterLevelDb(*volume.Get(), read));
    EXPECT_EQ(read, c.read) << "written " << c.written;
  }

  ASSERT_TRUE(WriteMasterLevelDb(*volume.Get(), -7.0f));
  EXPECT_FALSE(WriteMasterLevelDb(*volume.Get(), std::numeric_limits<float>::quiet_NaN()));
  float read = 0.0f;
  EXPECT_TRUE(ReadMasterLevelDb(*volume.Get(), read));
  EXPECT_EQ(read, -7.0f) << "a level that is not a number writes nothing";
}

TEST_F(RoreCoreAudio, TheExportedLevelCallsReachTheHandsetsSpeakerWithoutAVirtualHandset) {
  float level = 123.0f;
  ASSERT_EQ(VistaSetSpeakerVolumeLevelDB(0, kDevice, &level), 1);
  EXPECT_TRUE(level >= -100.0f && level <= 0.0f) << level;

  struct Case {
    int mode;
    const char* device;
    float level;
    int result;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {1, kDevice, -20.0f, 1},
      {1, "VID_7A3E&PID_01B5", -0.05f, 1},
      {1, kDevice, -1000.0f, 1},  // Wine refuses -1000 dB itself: the library clamps it
      {1, kDevice, 6.0f, 1},
      {1, kDevice, nan, 0},
      {1, "Vid_7a3e&Pid_01b6", -20.0f, 0},
      {0, "Vid_7a3e&Pid_01b6", 55.0f, 0},
      {2, kDevice, -20.0f, 0},
      {-1, kDevice, -20.0f, 0},
  };
  for (const Case& c : cases) {
    float value = c.level;
    EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(c.mode, c.device, &value), c.result) << c.mode << ' ' << c.device << ' ' << c.level;
    EXPECT_TRUE(std::isnan(c.level) ? std::isnan(value) : value == c.level) << "the caller's level is only read here";
  }
  EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(0, kDevice, nullptr), 0);
  EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(1, kDevice, nullptr), 0);
  EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(0, nullptr, &level), 0);
}

TEST_F(RoreCoreAudio, DefaultDeviceCallsFailCleanlyWhereThePolicyInterfaceIsMissing) {
  {
    const ComApartment apartment;
    ComPtr<IPolicyConfig> policy;
    const HRESULT created =
        CoCreateInstance(kClsidPolicyConfigClient, nullptr, CLSCTX_INPROC_SERVER, kIidPolicyConfig, policy.PutVoid());
    if (SUCCEEDED(created)) GTEST_SKIP() << "this Wine has the policy interface";
    EXPECT_EQ(created, REGDB_E_CLASSNOTREG);
  }
  const std::vector<std::wstring> before = CurrentDefaults();
  ASSERT_EQ(before.size(), 6u);
  EXPECT_NE(before[0], *speaker) << "the handset's speaker starts as not the default";

  EXPECT_EQ(VistaSetDefaultAudio(0, kDevice, 1, 1), 0);
  EXPECT_EQ(CurrentDefaults(), before);
  EXPECT_EQ(VistaSetDefaultAudio(1, kDevice, 1, 1), 0);
  EXPECT_EQ(VistaSetDefaultAudio(0, "Vid_0000&Pid_0000", 1, 1), 0);
  EXPECT_EQ(VistaSetDefaultAudio(2, kDevice, 1, 1), 0);
  EXPECT_EQ(VistaSetDefaultAudio(0, nullptr, 1, 1), 0);
  EXPECT_EQ(CurrentDefaults(), before);
}

TEST_F(RoreCoreAudio, GainControlFailsWhereTheEndpointHasNoTopology) {
  {
    const ComApartment apartment;
    const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
    ASSERT_TRUE(enumerator);
    const ComPtr<IMMDevice> endpoint = FindHandsetEndpoint(*enumerator.Get(), eCapture, kDevice);
    ASSERT_TRUE(endpoint);
    ComPtr<IDeviceTopology> topology;
    if (SUCCEEDED(endpoint->Activate(__uuidof(IDeviceTopology), CLSCTX_ALL, nullptr, topology.PutVoid())))
      GTEST_SKIP() << "this Wine gives endpoints a device topology";
  }
  UINT value = 0;
  EXPECT_EQ(VistaSetMicAGC(1, kDevice, &value), 0);
  EXPECT_EQ(value, 0u);
  value = 7;
  EXPECT_EQ(VistaSetMicAGC(0, kDevice, &value), 0);
  EXPECT_EQ(value, 7u) << "a failed read fills nothing";
  EXPECT_EQ(VistaSetMicAGC(1, kDevice, nullptr), 0);
}

TEST_F(RoreCoreAudio, TheCallersApartmentIsLeftAsItWas) {
  struct Case {
    const char* name;
    std::optional<DWORD> callerModel;  // nullopt: the caller has no COM
  };
  const Case cases[] = {{"no COM", std::nullopt},
                        {"single-threaded", COINIT_APARTMENTTHREADED},
                        {"multithreaded", COINIT_MULTITHREADED}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OnFreshThread([&] {
      if (c.callerModel) {
        ASSERT_EQ(CoInitializeEx(nullptr, *c.callerModel), S_OK);
      }
      float level = 0.0f;
      EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(0, kDevice, &level), 1) << "COM works in the caller's apartment";
      EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(1, kDevice, &level), 1);
      if (c.callerModel) {
        // Still in the caller's apartment, once: the library balanced its own initialisation.
        EXPECT_EQ(CoInitializeEx(nullptr, *c.callerModel), S_FALSE);
        CoUninitialize();
        CoUninitialize();
      }
      const HRESULT fresh = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      EXPECT_EQ(fresh, S_OK) << "the library left no COM behind on the thread";
      if (SUCCEEDED(fresh)) CoUninitialize();
    });
  }
}

TEST_F(RoreCoreAudio, AVirtualHandsetThatAnswersStillWins) {
  handset::VirtualHandset handset;  // unplugged: it answers 0 to every audio call
  float level = 55.0f;
  EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(0, kDevice, &level), 0) << "the handset's 0, not the endpoint's 1";
  EXPECT_EQ(level, 55.0f);
  handset.Plug();
  handset.SetSpeakerLevelDb(-3.5f);
  EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(0, kDevice, &level), 1);
  EXPECT_EQ(level, -3.5f);
  level = -9.0f;
  EXPECT_EQ(VistaSetSpeakerVolumeLevelDB(1, kDevice, &level), 1);
  EXPECT_EQ(handset.SpeakerLevelDb(), -9.0f);
  EXPECT_EQ(VistaSetDefaultAudio(0, kDevice, 1, 1), 1);
  EXPECT_TRUE(handset.State().defaultDeviceSelected);
}

struct Usage {
  DWORD handles = 0;
  SIZE_T privateBytes = 0;
  SIZE_T heapBytes = 0;  // in use in all of the process's heaps
};

SIZE_T HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  heaps.resize(std::min<std::size_t>(count, heaps.size()));
  SIZE_T inUse = 0;
  for (const HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) inUse += entry.cbData;
    HeapUnlock(heap);
  }
  return inUse;
}

// The process's open handles. Wine's GetProcessHandleCount answers 0 (and its process list tells
// the size of the handle table, not the handles in it), so there they are counted one by one.
DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(std::bit_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

Usage CurrentUsage() {
  Usage usage;
  usage.handles = HandleCount();
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    usage.privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;  // Wine: 0, the other
  usage.heapBytes = HeapBytesInUse();
  return usage;
}

TEST_F(RoreCoreAudio, NothingLeaksOverAThousandCalls) {
  // Each round: a level read, a level write, a gain-control write and a default-device selection,
  // each from its own COM initialisation to its own uninitialisation.
  const auto round = [] {
    float level = 0.0f;
    UINT off = 0;
    int done = VistaSetSpeakerVolumeLevelDB(0, kDevice, &level);
    level = -15.0f;
    done += VistaSetSpeakerVolumeLevelDB(1, kDevice, &level);
    done += VistaSetMicAGC(1, kDevice, &off);
    done += VistaSetDefaultAudio(0, kDevice, 1, 1);
    return done;
  };
  for (int warmUp = 0; warmUp < 25; ++warmUp) {
    ASSERT_EQ(round(), 2);
  }
  const Usage before = CurrentUsage();
  ASSERT_GT(before.handles, 0u);
  ASSERT_GT(before.privateBytes, 0u);
  ASSERT_GT(before.heapBytes, 0u);
  for (int call = 0; call < 1000; call += 4) {
    ASSERT_EQ(round(), 2);
  }
  const Usage after = CurrentUsage();
  EXPECT_LE(after.handles, before.handles + 4) << "handles before " << before.handles << ", after " << after.handles;
  EXPECT_LE(after.privateBytes, before.privateBytes + 64 * 1024)
      << "private bytes before " << before.privateBytes << ", after " << after.privateBytes;
  EXPECT_LE(after.heapBytes, before.heapBytes + 4 * 1024)
      << "heap bytes before " << before.heapBytes << ", after " << after.heapBytes;
}

}  // namespace
}  // namespace kprt5::rore
