#pragma once
// Move-only owners for the Windows handles the program opens; each closes its handle exactly once.
#include <windows.h>
#include <mmsystem.h>

#include <utility>

namespace kprt5 {

template <typename Handle, typename Traits>
class UniqueWin32 {
 public:
  UniqueWin32() = default;
  explicit UniqueWin32(Handle handle) : handle_(handle) {}
  ~UniqueWin32() { Reset(); }
  UniqueWin32(const UniqueWin32&) = delete;
  UniqueWin32& operator=(const UniqueWin32&) = delete;
  UniqueWin32(UniqueWin32&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  UniqueWin32& operator=(UniqueWin32&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Handle{});
    }
    return *this;
  }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  void Reset(Handle handle = Handle{}) {
    if (handle_ != Handle{}) Traits::Close(handle_);
    handle_ = handle;
  }
  Handle Release() { return std::exchange(handle_, Handle{}); }

 private:
  Handle handle_{};
};

struct KernelHandleTraits {
  static void Close(HANDLE handle) { ::CloseHandle(handle); }
};
struct RegistryKeyTraits {
  static void Close(HKEY key) { ::RegCloseKey(key); }
};
struct MenuTraits {
  static void Close(HMENU menu) { ::DestroyMenu(menu); }
};
struct IconTraits {
  static void Close(HICON icon) { ::DestroyIcon(icon); }
};

struct MixerTraits {
  static void Close(HMIXER mixer) { ::mixerClose(mixer); }
};

using UniqueHandle = UniqueWin32<HANDLE, KernelHandleTraits>;
using UniqueRegistryKey = UniqueWin32<HKEY, RegistryKeyTraits>;
using UniqueMenu = UniqueWin32<HMENU, MenuTraits>;
using UniqueIcon = UniqueWin32<HICON, IconTraits>;
using UniqueMixer = UniqueWin32<HMIXER, MixerTraits>;

}  // namespace kprt5
