// The handset microphone's automatic gain control, found in the capture endpoint's device topology.
#pragma once

#include <windows.h>
#include <devicetopology.h>
#include <mmdeviceapi.h>

#include <string_view>

#include "auto_gain_control_win32.h"
#include "com_ptr_win32.h"

namespace kprt5::rore {

// The first automatic-gain-control part on the capture path that feeds the endpoint, searched
// upstream from the adapter's connector; empty where the endpoint has no topology or its hardware
// no such control.
ComPtr<AudioAutoGainControl> FindAutoGainControl(IMMDevice& captureEndpoint);

// VistaSetMicAGC through Core Audio: mode 1 switches the control on for a nonzero *value and off
// for 0, mode 0 reads it into *value (1 on, 0 off); 1 on success, 0 (with *value untouched) when
// there is no such endpoint or control, no value pointer, another mode, or the system refuses.
int MicAgc(int mode, std::string_view deviceText, UINT* value);

}  // namespace kprt5::rore
