// The policy-configuration interface through which audio switchers set the system's default
// endpoint per role. Windows does not document it and the SDK headers do not declare it; the ids
// and the method order (SetDefaultEndpoint is the eleventh method after IUnknown's three) are the
// ones published alike by several independent sources for Windows 7 and later. Where the class is
// not registered (Wine), CoCreateInstance fails with REGDB_E_CLASSNOTREG.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>
#include <mmreg.h>
#include <propidl.h>

namespace kprt5::rore {

// {870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}
inline constexpr CLSID kClsidPolicyConfigClient = {
    0x870af99c, 0x171d, 0x4f9e, {0xaf, 0x0d, 0xe6, 0x3d, 0xf4, 0x0c, 0x2b, 0xc9}};
// {F8679F50-850A-41CF-9C72-430F290290C8}
inline constexpr IID kIidPolicyConfig = {0xf8679f50, 0x850a, 0x41cf, {0x9c, 0x72, 0x43, 0x0f, 0x29, 0x02, 0x90, 0xc8}};

// IUnknown has no virtual destructor, by COM's design: objects end through Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct IPolicyConfig : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetMixFormat(PCWSTR deviceId, WAVEFORMATEX** format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceFormat(PCWSTR deviceId, INT useDefault, WAVEFORMATEX** format) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResetDeviceFormat(PCWSTR deviceId) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDeviceFormat(PCWSTR deviceId, WAVEFORMATEX* endpointFormat,
                                                    WAVEFORMATEX* mixFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProcessingPeriod(PCWSTR deviceId, INT useDefault, PINT64 defaultPeriod,
                                                        PINT64 minimumPeriod) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProcessingPeriod(PCWSTR deviceId, PINT64 period) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetShareMode(PCWSTR deviceId, void* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetShareMode(PCWSTR deviceId, void* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertyValue(PCWSTR deviceId, const PROPERTYKEY& key, PROPVARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(PCWSTR deviceId, const PROPERTYKEY& key, PROPVARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(PCWSTR deviceId, ERole role) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEndpointVisibility(PCWSTR deviceId, INT visible) = 0;

 protected:
  ~IPolicyConfig() = default;
};
#pragma GCC diagnostic pop

}  // namespace kprt5::rore
