// Finding the handset's audio endpoints: the active render or capture endpoint whose device
// instance path contains the device text, ignoring letter case.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "com_ptr_win32.h"

namespace kprt5::rore {

// The system's endpoint enumerator, or empty. Needs COM on the calling thread.
ComPtr<IMMDeviceEnumerator> CreateDeviceEnumerator();

// Every text that names the device behind an endpoint, those the system has: its device instance
// id property, the device path the audio service records for it, the id of the adapter its
// topology is connected to, and its own endpoint id.
std::vector<std::wstring> EndpointInstancePaths(IMMDevice& endpoint);

// The first active endpoint of `flow` (eRender or eCapture) one of whose instance paths names the
// device; empty when there is none.
ComPtr<IMMDevice> FindHandsetEndpoint(IMMDeviceEnumerator& enumerator, EDataFlow flow, std::string_view deviceText);

// The endpoint's id text, or nullopt.
std::optional<std::wstring> EndpointId(IMMDevice& endpoint);

}  // namespace kprt5::rore
