// COM for the length of one library call, on whatever thread calls. The caller's apartment wins:
// a thread already in a multithreaded apartment (RPC_E_CHANGED_MODE) is used as it is and left
// alone; every successful initialisation here (S_OK, or S_FALSE for a thread already in a
// single-threaded one) is balanced by exactly one uninitialisation.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "ole32_win32.h"

namespace kprt5::rore {

class ComApartment {
 public:
  ComApartment() {
    const HRESULT result = ComInitialize(COINIT_APARTMENTTHREADED);
    initialised_ = SUCCEEDED(result);
    usable_ = initialised_ || result == RPC_E_CHANGED_MODE;
  }
  ~ComApartment() {
    if (initialised_) ComUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ComApartment(ComApartment&&) = delete;
  ComApartment& operator=(ComApartment&&) = delete;

  // False when COM could not be had on this thread at all.
  bool Usable() const { return usable_; }

 private:
  bool initialised_ = false;
  bool usable_ = false;
};

}  // namespace kprt5::rore
