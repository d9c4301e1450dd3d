// Owners for what COM hands out: an interface pointer (released once), a task-allocated text
// (freed once) and a property value (cleared once). Move-only; copying is deleted.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

#include "ole32_win32.h"

#include <utility>

namespace kprt5::rore {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }

  T* Get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For an out-parameter: releases what is held and lends the slot.
  T** Put() {
    Reset();
    return &pointer_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }

  // The same object through another of its interfaces; empty when it has none.
  template <typename U>
  ComPtr<U> As() const {
    ComPtr<U> other;
    if (pointer_ != nullptr && FAILED(pointer_->QueryInterface(__uuidof(U), other.PutVoid()))) other.Reset();
    return other;
  }

 private:
  T* pointer_ = nullptr;
};

// A wide text allocated by the callee with CoTaskMemAlloc.
class CoTaskText {
 public:
  CoTaskText() = default;
  ~CoTaskText() { ComTaskMemFree(text_); }
  CoTaskText(const CoTaskText&) = delete;
  CoTaskText& operator=(const CoTaskText&) = delete;
  CoTaskText(CoTaskText&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  CoTaskText& operator=(CoTaskText&& other) noexcept {
    if (this != &other) {
      ComTaskMemFree(text_);
      text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
  }

  const wchar_t* Get() const { return text_; }
  LPWSTR* Put() {
    ComTaskMemFree(std::exchange(text_, nullptr));
    return &text_;
  }

 private:
  LPWSTR text_ = nullptr;
};

// A property value read from a property store.
class PropertyValue {
 public:
  PropertyValue() { PropVariantInit(&value_); }
  ~PropertyValue() { ComPropVariantClear(&value_); }
  PropertyValue(const PropertyValue&) = delete;
  PropertyValue& operator=(const PropertyValue&) = delete;
  PropertyValue(PropertyValue&&) = delete;
  PropertyValue& operator=(PropertyValue&&) = delete;

  PROPVARIANT* Put() {
    ComPropVariantClear(&value_);
    return &value_;
  }
  // The text it holds, or null when it holds none.
  const wchar_t* Text() const { return value_.vt == VT_LPWSTR ? value_.pwszVal : nullptr; }

 private:
  PROPVARIANT value_;
};

}  // namespace kprt5::rore
