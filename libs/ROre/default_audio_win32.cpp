#include "default_audio_win32.h"

#include <windows.h>
#include <mmdeviceapi.h>

#include <mutex>
#include <optional>
#include <string>

#include "com_apartment_win32.h"
#include "com_ptr_win32.h"
#include "default_role_memory.h"
#include "endpoint_lookup_win32.h"
#include "policy_config_win32.h"

namespace kprt5::rore {
namespace {

// What the selection replaced lives as long as the library; callers are serialised here.
std::mutex memoryLock;
DefaultRoleMemory memory;

EDataFlow Flow(Direction direction) { return direction == Direction::Render ? eRender : eCapture; }
ERole SystemRole(Role role) { return static_cast<ERole>(static_cast<int>(role)); }

std::optional<std::wstring> CurrentDefault(IMMDeviceEnumerator& enumerator, Slot slot) {
  ComPtr<IMMDevice> endpoint;
  if (FAILED(enumerator.GetDefaultAudioEndpoint(Flow(slot.direction), SystemRole(slot.role), endpoint.Put())) ||
      !endpoint)
    return std::nullopt;
  return EndpointId(*endpoint.Get());
}

// An in-process class; asking for any context as well makes Wine, where the class is missing, also
// look for a local server, and that look leaves two handles open every time.
ComPtr<IPolicyConfig> CreatePolicyConfig() {
  ComPtr<IPolicyConfig> policy;
  if (FAILED(ComCreateInstance(kClsidPolicyConfigClient, kIidPolicyConfig, policy.PutVoid())))
    policy.Reset();
  return policy;
}

int Select(IPolicyConfig& policy, IMMDeviceEnumerator& enumerator, std::string_view deviceText) {
  std::optional<std::wstring> handset[2];
  for (const Direction direction : {Direction::Render, Direction::Capture}) {
    const ComPtr<IMMDevice> endpoint = FindHandsetEndpoint(enumerator, Flow(direction), deviceText);
    if (endpoint) handset[static_cast<int>(direction)] = EndpointId(*endpoint.Get());
  }
  if (!handset[0] && !handset[1]) return 0;
  bool allDone = true;
  for (const Slot slot : kSlots) {
    const std::optional<std::wstring>& target = handset[static_cast<int>(slot.direction)];
    if (!target) continue;
    std::optional<std::wstring> current = CurrentDefault(enumerator, slot);
    if (!DefaultRoleMemory::NeedsSelect(current, *target)) continue;
    if (FAILED(policy.SetDefaultEndpoint(target->c_str(), SystemRole(slot.role)))) {
      allDone = false;
      continue;
    }
    memory.RememberSelected(slot, std::move(current), *target);
  }
  return allDone ? 1 : 0;
}

int HandBack(IPolicyConfig& policy, IMMDeviceEnumerator& enumerator) {
  bool allDone = true;
  for (const Slot slot : kSlots) {
    if (!memory.Remembers(slot)) continue;
    const std::optional<std::wstring> target = memory.HandBackTarget(slot, CurrentDefault(enumerator, slot));
    if (target && FAILED(policy.SetDefaultEndpoint(target->c_str(), SystemRole(slot.role)))) {
      allDone = false;  // remembered still, for the next hand-back
      continue;
    }
    memory.Forget(slot);
  }
  return allDone ? 1 : 0;
}

}  // namespace

int DefaultAudio(int mode, std::string_view deviceText) {
  if (mode != 0 && mode != 1) return 0;
  const ComApartment apartment;
  if (!apartment.Usable()) return 0;
  const ComPtr<IPolicyConfig> policy = CreatePolicyConfig();
  if (!policy) return 0;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  if (!enumerator) return 0;
  const std::lock_guard<std::mutex> hold(memoryLock);
  return mode == 0 ? Select(*policy.Get(), *enumerator.Get(), deviceText) : HandBack(*policy.Get(), *enumerator.Get());
}

}  // namespace kprt5::rore
