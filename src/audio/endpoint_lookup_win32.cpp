// Naming the handset's audio devices to Skype: the device description from the device-setup
// functions, then the waveform or mixer device that belongs to it.
#include <windows.h>
#include <mmsystem.h>

#include <span>
#include <vector>

#include "app/middleware_window_win32.h"
#include "audio/endpoint_name.h"
#include "device/handset_devices_win32.h"

namespace kprt5 {
namespace {

bool IsAnsiLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != 0; }

std::string_view CapsName(const char (&name)[MAXPNAMELEN]) {
  std::size_t length = 0;
  while (length < MAXPNAMELEN && name[length] != '\0') ++length;
  return std::string_view(name, length);
}

std::vector<std::string> ReadWaveformNames(HandsetAudioProperty property, std::vector<bool>& readable) {
  std::vector<std::string> names;
  const UINT count = property == HandsetAudioProperty::Output ? ::waveOutGetNumDevs() : ::waveInGetNumDevs();
  for (UINT device = 0; device < count; ++device) {
    bool ok = false;
    std::string name;
    if (property == HandsetAudioProperty::Output) {
      WAVEOUTCAPSA caps{};
      ok = ::waveOutGetDevCapsA(device, &caps, sizeof caps) == MMSYSERR_NOERROR;
      if (ok) name = CapsName(caps.szPname);
    } else {
      WAVEINCAPSA caps{};
      ok = ::waveInGetDevCapsA(device, &caps, sizeof caps) == MMSYSERR_NOERROR;
      if (ok) name = CapsName(caps.szPname);
    }
    names.push_back(std::move(name));
    readable.push_back(ok);
  }
  return names;
}

}  // namespace

void MiddlewareWindow::LookupHandsetAudioName(char (&area)[256], HandsetAudioProperty property) {
  const UINT mixerCount = ::mixerGetNumDevs();
  const LCID locale = ::GetThreadLocale();
  const std::optional<std::string> description = ReadHandsetDescription();
  // With no description nothing can belong to the handset, and the area keeps what it held.
  if (!description) return;
  if (property != HandsetAudioProperty::Input && property != HandsetAudioProperty::Output) return;

  if (UsesWaveformRule(locale)) {
    std::vector<bool> readable;
    const std::vector<std::string> names = ReadWaveformNames(property, readable);
    std::vector<std::optional<std::string_view>> deviceNames;
    for (std::size_t i = 0; i < names.size(); ++i)
      deviceNames.push_back(readable[i] ? std::optional<std::string_view>(names[i]) : std::nullopt);
    ApplyWaveformRule(deviceNames, *description, &IsAnsiLeadByte, std::span<char>(area));
    return;
  }

  const DWORD openFlags = property == HandsetAudioProperty::Input ? (MIXER_OBJECTF_WAVEIN | CALLBACK_WINDOW)
                                                                  : (MIXER_OBJECTF_WAVEOUT | CALLBACK_WINDOW);
  for (UINT device = 0; device < mixerCount; ++device) {
    HMIXER rawMixer = nullptr;
    if (::mixerOpen(&rawMixer, device, reinterpret_cast<DWORD_PTR>(window_), 0, openFlags) != MMSYSERR_NOERROR)
      continue;
    UniqueMixer mixer(rawMixer);
    MIXERCAPSA caps{};
    if (::mixerGetDevCapsA(reinterpret_cast<UINT_PTR>(mixer.Get()), &caps, sizeof caps) != MMSYSERR_NOERROR)
      continue;
    if (MixerNameMatches(CapsName(caps.szPname), *description, &IsAnsiLeadByte)) {
      StoreName(CapsName(caps.szPname), std::span<char>(area), &IsAnsiLeadByte);
      // The matching mixer stays open so that its control changes keep reaching the window; only
      // the latest one is kept, the one before it is closed here.
      handsetMixer_ = std::move(mixer);
      return;
    }
  }
}

}  // namespace kprt5
