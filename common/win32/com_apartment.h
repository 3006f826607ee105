// The calling thread's membership of a COM apartment, for as long as this
// object lives.
#pragma once

#include "common/win32/windows_api.h"
// The header below needs windows.h before it.
#include <objbase.h>

namespace quorvel::com {

class Apartment {
 public:
  // Joins a single-threaded apartment, or the one the thread is in already.
  Apartment()
      : result_(CoInitializeEx(
            nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  // S_FALSE (joined already) owes a CoUninitialize all the same.
  ~Apartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }

  // What keeps COM out of reach, else S_OK. A multithreaded apartment that
  // someone else chose serves as well.
  HRESULT Failure() const {
    return FAILED(result_) && result_ != RPC_E_CHANGED_MODE ? result_ : S_OK;
  }

 private:
  HRESULT result_;
};

}  // namespace quorvel::com
