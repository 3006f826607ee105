// The owner of one Windows handle, closed with its own function when the
// owner goes; COM pointers, BSTRs and VARIANTs have theirs in
// common/com_ptr.h and common/win32/com_handles.h.
#pragma once

#include <type_traits>
#include <utility>

#include "common/win32/windows_api.h"

namespace quorvel {

template <typename Handle, auto Close>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(other.Release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Reset(); }

  Handle get() const { return handle_; }
  // For a function that hands a new handle out through a pointer.
  Handle* Put() {
    Reset();
    return &handle_;
  }
  Handle Release() { return std::exchange(handle_, Handle{}); }
  void Reset(Handle handle = Handle{}) {
    if (*this) Close(handle_);
    handle_ = handle;
  }
  explicit operator bool() const {
    if constexpr (std::is_same_v<Handle, HANDLE>) {
      if (handle_ == INVALID_HANDLE_VALUE) return false;
    }
    return handle_ != Handle{};
  }

 private:
  Handle handle_{};
};

using UniqueHandle = Owned<HANDLE, &CloseHandle>;
template <typename GdiHandle>
using GdiObject = Owned<GdiHandle, &DeleteObject>;

}  // namespace quorvel
