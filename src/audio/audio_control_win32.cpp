// Default device, microphone gain control and speaker level of the handset, through ROre.dll.
#include <cmath>
#include <limits>

#include "app/middleware_window_win32.h"
#include "rore.h"

namespace kprt5 {
namespace {

// The handset speaker as the level rules see it. The library's results follow no fixed convention,
// so a read counts as failed when it leaves the level it was handed untouched at NaN.
class HandsetSpeaker final : public LevelIo {
 public:
  explicit HandsetSpeaker(const char* deviceIdText) : deviceIdText_(deviceIdText) {}

  std::optional<float> ReadLevel() override {
    float level = std::numeric_limits<float>::quiet_NaN();
    VistaSetSpeakerVolumeLevelDB(0, deviceIdText_, &level);
    if (std::isnan(level)) return std::nullopt;
    return level;
  }

  void WriteLevel(float levelDb) override { VistaSetSpeakerVolumeLevelDB(1, deviceIdText_, &levelDb); }

 private:
  const char* deviceIdText_;
};

}  // namespace

void MiddlewareWindow::SelectHandsetAudio() { VistaSetDefaultAudio(0, deviceIdText, 1, 1); }

void MiddlewareWindow::DisableHandsetMicAgc() {
  UINT gainControl = 0;
  VistaSetMicAGC(1, deviceIdText, &gainControl);
}

void MiddlewareWindow::RestoreDefaultAudio() { VistaSetDefaultAudio(1, deviceIdText, 1, 1); }

void MiddlewareWindow::StepSpeakerVolume(VolumeDirection direction) {
  HandsetSpeaker speaker(deviceIdText);
  kprt5::StepSpeakerVolume(direction, speaker);
}

void MiddlewareWindow::RaiseSpeakerForCall() {
  HandsetSpeaker speaker(deviceIdText);
  kprt5::RaiseSpeakerForCall(savedLevel, maxLevelDb, speaker);
}

void MiddlewareWindow::RestoreSpeakerLevel() {
  HandsetSpeaker speaker(deviceIdText);
  kprt5::RestoreSpeakerLevel(savedLevel, speaker);
}

}  // namespace kprt5
