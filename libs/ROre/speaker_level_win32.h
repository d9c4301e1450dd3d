// The handset speaker's master level in dB through the render endpoint's volume control.
#pragma once

#include <windows.h>
#include <endpointvolume.h>

#include <string_view>

namespace kprt5::rore {

// One read of the master level in dB; `levelDb` is written only on success.
bool ReadMasterLevelDb(IAudioEndpointVolume& volume, float& levelDb);
// One write of the master level in dB, clamped into the control's range; fails, writing nothing,
// for a level that is not a number or a range that cannot be read.
bool WriteMasterLevelDb(IAudioEndpointVolume& volume, float levelDb);

// VistaSetSpeakerVolumeLevelDB through Core Audio: mode 0 reads the level into *levelDb, mode 1
// writes *levelDb; 1 on success, 0 (with *levelDb untouched) when there is no such endpoint, no
// level pointer, another mode, or the system refuses.
int SpeakerLevelDb(int mode, std::string_view deviceText, float* levelDb);

}  // namespace kprt5::rore
