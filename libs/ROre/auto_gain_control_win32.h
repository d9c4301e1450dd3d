// The automatic-gain-control interface of a capture path's part, declared here because mingw-w64's
// devicetopology.h gives its two methods wrong names and arguments (a "GetEnabled" taking the new
// state and a "GetMute"). The documented interface: GetEnabled(BOOL*), then SetEnabled(BOOL,
// LPCGUID), under the same IID {85401FD4-6DE4-4B9D-9869-2D6753A82F3C}.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace kprt5::rore {

inline constexpr IID kIidAudioAutoGainControl = {
    0x85401fd4, 0x6de4, 0x4b9d, {0x98, 0x69, 0x2d, 0x67, 0x53, 0xa8, 0x2f, 0x3c}};

// IUnknown has no virtual destructor, by COM's design: objects end through Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct AudioAutoGainControl : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetEnabled(BOOL* enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEnabled(BOOL enable, LPCGUID eventContext) = 0;

 protected:
  ~AudioAutoGainControl() = default;
};
#pragma GCC diagnostic pop

}  // namespace kprt5::rore
