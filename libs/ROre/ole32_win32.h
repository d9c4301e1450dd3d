// The COM functions of ole32.dll, found when first needed. Only the Core Audio path needs COM, and
// importing ole32.dll would load it, and the libraries it brings, into every program that loads
// ROre.dll, at its start.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

namespace kprt5::rore {

struct Ole32Functions {
  decltype(&::CoInitializeEx) coInitializeEx = nullptr;
  decltype(&::CoUninitialize) coUninitialize = nullptr;
  decltype(&::CoCreateInstance) coCreateInstance = nullptr;
  decltype(&::CoTaskMemFree) coTaskMemFree = nullptr;
  decltype(&::PropVariantClear) propVariantClear = nullptr;

  bool Complete() const {
    return coInitializeEx != nullptr && coUninitialize != nullptr && coCreateInstance != nullptr &&
           coTaskMemFree != nullptr && propVariantClear != nullptr;
  }
};

// Loaded once, on the first call from any thread, and kept for the life of the process; all null
// when ole32.dll or one of its functions cannot be had.
const Ole32Functions& Ole32();

// The calls the Core Audio path makes, failing cleanly without ole32.dll.
HRESULT ComInitialize(DWORD model);
void ComUninitialize();
HRESULT ComCreateInstance(REFCLSID classId, REFIID interfaceId, void** object);
void ComTaskMemFree(void* memory);
void ComPropVariantClear(PROPVARIANT* value);

}  // namespace kprt5::rore
