#include "ole32_win32.h"

namespace kprt5::rore {
namespace {

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

template <typename Function>
void Find(HMODULE module, const char* name, Function& function) {
  // Through the generic function type, which converts to any other without a warning.
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

Ole32Functions Load() {
  const HMODULE module = ::LoadLibraryA("ole32.dll");  // never freed: COM objects may outlive any call
  if (module == nullptr) return {};
  Ole32Functions functions;
  Find(module, "CoInitializeEx", functions.coInitializeEx);
  Find(module, "CoUninitialize", functions.coUninitialize);
  Find(module, "CoCreateInstance", functions.coCreateInstance);
  Find(module, "CoTaskMemFree", functions.coTaskMemFree);
  Find(module, "PropVariantClear", functions.propVariantClear);
  return functions.Complete() ? functions : Ole32Functions{};
}

// All null when ole32.dll or one of its functions cannot be had.
const Ole32Functions& Ole32() {
  static const Ole32Functions functions = Load();
  return functions;
}

}  // namespace

HRESULT ComInitialize(DWORD model) {
  return Ole32().coInitializeEx != nullptr ? Ole32().coInitializeEx(nullptr, model) : E_NOTIMPL;
}

void ComUninitialize() {
  if (Ole32().coUninitialize != nullptr) Ole32().coUninitialize();
}

HRESULT ComCreateInstance(REFCLSID classId, REFIID interfaceId, void** object) {
  if (Ole32().coCreateInstance == nullptr) {
    *object = nullptr;
    return E_NOTIMPL;
  }
  return Ole32().coCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}

void ComTaskMemFree(void* memory) {
  if (memory != nullptr && Ole32().coTaskMemFree != nullptr) Ole32().coTaskMemFree(memory);
}

void ComPropVariantClear(PROPVARIANT* value) {
  if (Ole32().propVariantClear != nullptr) Ole32().propVariantClear(value);
}

}  // namespace kprt5::rore
