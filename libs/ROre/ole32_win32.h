// The COM functions of ole32.dll, found when first needed. Only the Core Audio path needs COM, and
// importing ole32.dll would load it, and the libraries it brings, into every program that loads
// ROre.dll, at its start.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <propidl.h>

namespace kprt5::rore {

// The calls the Core Audio path makes. ole32.dll is loaded on the first one, from any thread, and
// kept for the life of the process; without it they fail cleanly.
HRESULT ComInitialize(DWORD model);
void ComUninitialize();
HRESULT ComCreateInstance(REFCLSID classId, REFIID interfaceId, void** object);
void ComTaskMemFree(void* memory);
void ComPropVariantClear(PROPVARIANT* value);

}  // namespace kprt5::rore
