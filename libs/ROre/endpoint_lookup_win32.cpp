#include "endpoint_lookup_win32.h"

#include <devicetopology.h>
#include <propsys.h>

#include "device_text_match.h"

namespace kprt5::rore {
namespace {

// The device instance id of what the property store describes.
constexpr PROPERTYKEY kDeviceInstanceId = {
    {0x78c34fc8, 0x104a, 0x4aca, {0x9e, 0xa4, 0x52, 0x4d, 0x52, 0x99, 0x6e, 0x57}}, 256};
// The device path the audio service records for an endpoint ("{1}.USB\VID_...&PID_...\..." for a USB
// audio function; Wine writes "{1}.ROOT\MEDIA\<n>").
constexpr PROPERTYKEY kEndpointDevicePath = {
    {0xb3f8fa53, 0x0004, 0x438e, {0x90, 0x03, 0x51, 0xa4, 0x6e, 0x13, 0x9b, 0xfc}}, 2};

void AddText(std::vector<std::wstring>& texts, const wchar_t* text) {
  if (text != nullptr && *text != L'\0') texts.emplace_back(text);
}

void AddProperty(std::vector<std::wstring>& texts, IPropertyStore& store, const PROPERTYKEY& key) {
  PropertyValue value;
  if (SUCCEEDED(store.GetValue(key, value.Put()))) AddText(texts, value.Text());
}

// The device id of the adapter (the audio driver's device) at the far side of the endpoint's
// connector, e.g. "\\?\usb#vid_7a3e&pid_01b5&mi_00#...".
void AddAdapterDeviceId(std::vector<std::wstring>& texts, IMMDevice& endpoint) {
  ComPtr<IDeviceTopology> topology;
  if (FAILED(endpoint.Activate(__uuidof(IDeviceTopology), CLSCTX_ALL, nullptr, topology.PutVoid())) || !topology)
    return;
  ComPtr<IConnector> connector;
  if (FAILED(topology->GetConnector(0, connector.Put())) || !connector) return;
  ComPtr<IConnector> adapterConnector;
  if (FAILED(connector->GetConnectedTo(adapterConnector.Put())) || !adapterConnector) return;
  const ComPtr<IPart> part = adapterConnector.As<IPart>();
  if (!part) return;
  ComPtr<IDeviceTopology> adapterTopology;  // mingw-w64 spells IPart::GetTopologyObject with an s
  if (FAILED(part->GetTopologyObjects(adapterTopology.Put())) || !adapterTopology) return;
  CoTaskText id;
  if (SUCCEEDED(adapterTopology->GetDeviceId(id.Put()))) AddText(texts, id.Get());
}

}  // namespace

ComPtr<IMMDeviceEnumerator> CreateDeviceEnumerator() {
  ComPtr<IMMDeviceEnumerator> enumerator;
  if (FAILED(ComCreateInstance(__uuidof(MMDeviceEnumerator), __uuidof(IMMDeviceEnumerator), enumerator.PutVoid())))
    enumerator.Reset();
  return enumerator;
}

std::vector<std::wstring> EndpointInstancePaths(IMMDevice& endpoint) {
  std::vector<std::wstring> texts;
  ComPtr<IPropertyStore> store;
  if (SUCCEEDED(endpoint.OpenPropertyStore(STGM_READ, store.Put())) && store) {
    AddProperty(texts, *store.Get(), kDeviceInstanceId);
    AddProperty(texts, *store.Get(), kEndpointDevicePath);
  }
  AddAdapterDeviceId(texts, endpoint);
  if (std::optional<std::wstring> id = EndpointId(endpoint)) texts.push_back(std::move(*id));
  return texts;
}

ComPtr<IMMDevice> FindHandsetEndpoint(IMMDeviceEnumerator& enumerator, EDataFlow flow, std::string_view deviceText) {
  if (deviceText.empty()) return {};
  ComPtr<IMMDeviceCollection> endpoints;
  if (FAILED(enumerator.EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, endpoints.Put())) || !endpoints) return {};
  UINT count = 0;
  if (FAILED(endpoints->GetCount(&count))) return {};
  for (UINT index = 0; index < count; ++index) {
    ComPtr<IMMDevice> endpoint;
    if (FAILED(endpoints->Item(index, endpoint.Put())) || !endpoint) continue;
    for (const std::wstring& path : EndpointInstancePaths(*endpoint.Get()))
      if (PathNamesDevice(std::wstring_view(path), deviceText)) return endpoint;
  }
  return {};
}

std::optional<std::wstring> EndpointId(IMMDevice& endpoint) {
  CoTaskText id;
  if (FAILED(endpoint.GetId(id.Put())) || id.Get() == nullptr) return std::nullopt;
  return std::wstring(id.Get());
}

}  // namespace kprt5::rore
