#include "speaker_level_win32.h"

#include <optional>

#include "com_apartment_win32.h"
#include "com_ptr_win32.h"
#include "endpoint_lookup_win32.h"
#include "level_range.h"

namespace kprt5::rore {

bool ReadMasterLevelDb(IAudioEndpointVolume& volume, float& levelDb) {
  float level = 0.0f;
  if (FAILED(volume.GetMasterVolumeLevel(&level))) return false;
  levelDb = level;
  return true;
}

bool WriteMasterLevelDb(IAudioEndpointVolume& volume, float levelDb) {
  LevelRange range;
  float increment = 0.0f;
  if (FAILED(volume.GetVolumeRange(&range.minDb, &range.maxDb, &increment))) return false;
  const std::optional<float> clamped = ClampLevelDb(levelDb, range);
  return clamped && SUCCEEDED(volume.SetMasterVolumeLevel(*clamped, nullptr));
}

int SpeakerLevelDb(int mode, std::string_view deviceText, float* levelDb) {
  if ((mode != 0 && mode != 1) || levelDb == nullptr) return 0;
  const ComApartment apartment;
  if (!apartment.Usable()) return 0;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  if (!enumerator) return 0;
  const ComPtr<IMMDevice> speaker = FindHandsetEndpoint(*enumerator.Get(), eRender, deviceText);
  if (!speaker) return 0;
  ComPtr<IAudioEndpointVolume> volume;
  if (FAILED(speaker->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr, volume.PutVoid())) || !volume)
    return 0;
  const bool done = mode == 0 ? ReadMasterLevelDb(*volume.Get(), *levelDb) : WriteMasterLevelDb(*volume.Get(), *levelDb);
  return done ? 1 : 0;
}

}  // namespace kprt5::rore
