#include "mic_agc_win32.h"

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "com_apartment_win32.h"
#include "endpoint_lookup_win32.h"

namespace kprt5::rore {
namespace {

// A bound on the parts visited, whatever a driver's topology looks like (loops included).
constexpr std::size_t kMaxPartsVisited = 256;

ComPtr<IPart> AdapterPart(IMMDevice& endpoint) {
  ComPtr<IDeviceTopology> topology;
  if (FAILED(endpoint.Activate(__uuidof(IDeviceTopology), CLSCTX_ALL, nullptr, topology.PutVoid())) || !topology)
    return {};
  ComPtr<IConnector> connector;
  if (FAILED(topology->GetConnector(0, connector.Put())) || !connector) return {};
  ComPtr<IConnector> adapterConnector;
  if (FAILED(connector->GetConnectedTo(adapterConnector.Put())) || !adapterConnector) return {};
  return adapterConnector.As<IPart>();
}

}  // namespace

ComPtr<AudioAutoGainControl> FindAutoGainControl(IMMDevice& captureEndpoint) {
  std::deque<ComPtr<IPart>> pending;
  if (ComPtr<IPart> start = AdapterPart(captureEndpoint)) pending.push_back(std::move(start));
  std::vector<std::wstring> seen;  // global part ids
  while (!pending.empty() && seen.size() < kMaxPartsVisited) {
    const ComPtr<IPart> part = std::move(pending.front());
    pending.pop_front();
    CoTaskText id;
    if (FAILED(part->GetGlobalId(id.Put())) || id.Get() == nullptr) continue;
    bool visited = false;
    for (const std::wstring& other : seen) visited = visited || other == id.Get();
    if (visited) continue;
    seen.emplace_back(id.Get());

    ComPtr<AudioAutoGainControl> control;
    if (SUCCEEDED(part->Activate(CLSCTX_ALL, kIidAudioAutoGainControl, control.PutVoid())) && control)
      return control;

    ComPtr<IPartsList> incoming;
    if (FAILED(part->EnumPartsIncoming(incoming.Put())) || !incoming) continue;  // the path's source
    UINT count = 0;
    if (FAILED(incoming->GetCount(&count))) continue;
    for (UINT index = 0; index < count; ++index) {
      ComPtr<IPart> next;
      if (SUCCEEDED(incoming->GetPart(index, next.Put())) && next) pending.push_back(std::move(next));
    }
  }
  return {};
}

int MicAgc(int mode, std::string_view deviceText, UINT* value) {
  if ((mode != 0 && mode != 1) || value == nullptr) return 0;
  const ComApartment apartment;
  if (!apartment.Usable()) return 0;
  const ComPtr<IMMDeviceEnumerator> enumerator = CreateDeviceEnumerator();
  if (!enumerator) return 0;
  const ComPtr<IMMDevice> microphone = FindHandsetEndpoint(*enumerator.Get(), eCapture, deviceText);
  if (!microphone) return 0;
  const ComPtr<AudioAutoGainControl> control = FindAutoGainControl(*microphone.Get());
  if (!control) return 0;
  if (mode == 1) return SUCCEEDED(control->SetEnabled(*value != 0 ? TRUE : FALSE, nullptr)) ? 1 : 0;
  BOOL enabled = FALSE;
  if (FAILED(control->GetEnabled(&enabled))) return 0;
  *value = enabled != FALSE ? 1u : 0u;
  return 1;
}

}  // namespace kprt5::rore
