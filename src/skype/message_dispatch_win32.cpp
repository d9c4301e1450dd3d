// Every message the window's table does not handle: device messages, device-change notices, Skype's
// notifications and Skype's attach message.
#include "app/middleware_window_win32.h"
#include "app/win32_handles.h"
#include "device/handset_devices_win32.h"
#include "skype/hook_keys.h"
#include "skype/skype_attach.h"
#include "skype/skype_transport_win32.h"
#include "zu_vaz.h"

namespace kprt5 {
namespace {

// Skype's version from the current user's registry, read afresh for every notification.
std::uint32_t ReadSkypeVersion() {
  HKEY rawKey = nullptr;
  if (::RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Skype\\Phone\\UI", &rawKey) != ERROR_SUCCESS)
    return kDefaultSkypeVersion;
  UniqueRegistryKey key(rawKey);
  DWORD version = 0;
  DWORD size = sizeof version;
  if (::RegQueryValueExA(key.Get(), "Version", nullptr, nullptr, reinterpret_cast<BYTE*>(&version), &size) !=
      ERROR_SUCCESS)
    return kDefaultSkypeVersion;
  return version;
}

}  // namespace

// What the call tracker drives: the indicator through the HID library, the speaker level through
// the window's level rules.
class MiddlewareWindow::CallEffects final : public TrackerEffects {
 public:
  explicit CallEffects(MiddlewareWindow& window) : window_(window) {}
  void SetIndicatorRinging() override { HidSetGpio(0, 2); }
  void SetIndicatorIdle() override { HidSetGpio(2, 2); }
  void RaiseSpeakerForCall() override { window_.RaiseSpeakerForCall(); }
  void RestoreSpeakerLevel() override { window_.RestoreSpeakerLevel(); }

 private:
  MiddlewareWindow& window_;
};

// Names the handset's audio devices to the attach sequence.
class MiddlewareWindow::AudioNames final : public HandsetAudioNames {
 public:
  explicit AudioNames(MiddlewareWindow& window) : window_(window) {}
  void LookupHandsetAudioName(char (&area)[kAudioNameAreaSize], HandsetAudioProperty property) override {
    window_.LookupHandsetAudioName(area, property);
  }

 private:
  MiddlewareWindow& window_;
};

// What the device messages call on the handset and audio side.
class MiddlewareWindow::HookActions final : public HandsetActions {
 public:
  explicit HookActions(MiddlewareWindow& window) : window_(window) {}
  bool IsHandsetPresent() override { return kprt5::IsHandsetPresent(); }
  void SelectHandsetAudio() override { window_.SelectHandsetAudio(); }
  void StepSpeakerVolume(VolumeDirection direction) override { window_.StepSpeakerVolume(direction); }
  void CloseTApplicationWindow() override {
    if (HWND application = ::FindWindowA("TApplication", nullptr)) ::PostMessageA(application, WM_CLOSE, 0, 0);
  }

 private:
  MiddlewareWindow& window_;
};

void MiddlewareWindow::OnDeviceMessage(UINT message, WPARAM wParam) {
  Win32SkypeTransport transport(records_.link, window_);
  HookActions handset(*this);
  const HookKeyContext context{records_.latches, records_.link, records_.tracker, transport, handset};
  HandleDeviceMessage(context, message, wParam);
}

std::optional<LRESULT> MiddlewareWindow::DispatchWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  SkypeLink& link = records_.link;
  if (message == WM_DEVICECHANGE) {
    if (monitorRunning != 0) HidOnDeviceChange(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
    return std::nullopt;
  }
  if (IsDeviceMessage(message)) {
    OnDeviceMessage(message, wParam);
    return std::nullopt;  // device messages also get default processing
  }
  if (message == WM_COPYDATA) {
    if (ToWindowHandle(reinterpret_cast<HWND>(wParam)) != link.skypeWindow) return std::nullopt;
    const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    CallEffects effects(*this);
    const unsigned char* text = record == nullptr ? nullptr : static_cast<const unsigned char*>(record->lpData);
    const std::size_t size = record == nullptr ? 0 : record->cbData;
    return HandleSkypeNotification(records_.tracker, text, size, ReadSkypeVersion(), effects);
  }
  if (message == link.attachMessageId && message != 0) {
    Win32SkypeTransport transport(link, window_);
    AudioNames names(*this);
    if (HandleSkypeAttach(link, ToWindowHandle(reinterpret_cast<HWND>(wParam)), static_cast<std::intptr_t>(lParam),
                          transport, names))
      return 1;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace kprt5
