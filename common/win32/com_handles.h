// Owners for BSTRs and VARIANTs; interface pointers are common/com_ptr.h's.
#pragma once

#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <oleauto.h>

#include <utility>

#include "common/text.h"
#include "common/win32/wide.h"

namespace quorvel::com {

class Bstr {
 public:
  Bstr() = default;
  // Length-counted, so embedded NULs and any other character pass unchanged.
  // Null only when the allocation failed: the empty text is a real BSTR too.
  explicit Bstr(const Text& text)
      : bstr_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(bstr_); }

  BSTR Get() const { return bstr_; }
  BSTR* Put() {
    SysFreeString(std::exchange(bstr_, nullptr));
    return &bstr_;
  }
  explicit operator bool() const { return bstr_ != nullptr; }
  Text ToText() const { return FromBstr(bstr_); }

  static Text FromBstr(BSTR bstr) {
    if (bstr == nullptr) return Text();
    return FromWide(bstr, SysStringLen(bstr));
  }

 private:
  BSTR bstr_ = nullptr;
};

class Variant {
 public:
  Variant() { VariantInit(&variant_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { VariantClear(&variant_); }

  // A BSTR variant; false when the string could not be allocated.
  bool SetText(const Text& text) {
    VariantClear(&variant_);
    BSTR bstr = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                  static_cast<UINT>(text.size()));
    if (bstr == nullptr) return false;
    V_VT(&variant_) = VT_BSTR;
    V_BSTR(&variant_) = bstr;
    return true;
  }
  void SetDispatch(IDispatch* dispatch) {
    VariantClear(&variant_);
    if (dispatch != nullptr) dispatch->AddRef();
    V_VT(&variant_) = VT_DISPATCH;
    V_DISPATCH(&variant_) = dispatch;
  }
  void SetInt(LONG value) {
    VariantClear(&variant_);
    V_VT(&variant_) = VT_I4;
    V_I4(&variant_) = value;
  }
  // How an optional argument left out travels.
  void SetMissing() {
    VariantClear(&variant_);
    V_VT(&variant_) = VT_ERROR;
    V_ERROR(&variant_) = DISP_E_PARAMNOTFOUND;
  }

  // By-value [in] arguments: the callee borrows, we keep ownership.
  const VARIANT& Get() const { return variant_; }
  VARIANT* Ptr() { return &variant_; }

 private:
  VARIANT variant_;
};

}  // namespace quorvel::com
