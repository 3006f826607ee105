// A COM interface pointer that owns one reference, with the semantics of
// WRL's ComPtr. Ours rather than <wrl/client.h> because mingw-w64 10's Attach
// adds a reference, and the program must count the same with every toolchain.
// It only calls AddRef and Release, so it needs no Windows header.
#pragma once

#include <cstddef>
#include <utility>

namespace quorvel::com {

template <typename Interface>
class ComPtr;

// What &pointer gives: the pointer's slot, emptied at the moment it is taken,
// for an out-parameter as T** or, for QueryInterface and the like, as void**.
template <typename Interface>
class ComPtrRef {
 public:
  explicit ComPtrRef(ComPtr<Interface>* owner) noexcept : owner_(owner) {}
  operator Interface**() const noexcept {
    return owner_->ReleaseAndGetAddressOf();
  }
  operator void**() const noexcept {
    return reinterpret_cast<void**>(owner_->ReleaseAndGetAddressOf());
  }

 private:
  ComPtr<Interface>* owner_;
};

template <typename Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Adds a reference of its own: the caller keeps the one it holds.
  ComPtr(Interface* pointer) noexcept : pointer_(pointer) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.pointer_) {}
  ComPtr(ComPtr&& other) noexcept
      : pointer_(std::exchange(other.pointer_, nullptr)) {}
  // Copies and moves alike; from a raw pointer it adds a reference.
  ComPtr& operator=(ComPtr other) noexcept {
    Swap(other);
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller holds, adding none; what was held
  // before is released.
  void Attach(Interface* pointer) noexcept {
    Reset();
    pointer_ = pointer;
  }
  // Gives the reference up to the caller, who now owes its Release.
  [[nodiscard]] Interface* Detach() noexcept {
    return std::exchange(pointer_, nullptr);
  }
  void Reset() noexcept {
    // Emptied first: the Release may end up back here.
    if (Interface* held = std::exchange(pointer_, nullptr)) held->Release();
  }
  void Swap(ComPtr& other) noexcept { std::swap(pointer_, other.pointer_); }

  Interface* Get() const noexcept { return pointer_; }
  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  // The slot as it stands, for a callee that reads it or fills an empty one.
  Interface** GetAddressOf() noexcept { return &pointer_; }
  Interface** ReleaseAndGetAddressOf() noexcept {
    Reset();
    return &pointer_;
  }
  ComPtrRef<Interface> operator&() noexcept {
    return ComPtrRef<Interface>(this);
  }

 private:
  Interface* pointer_ = nullptr;
};

}  // namespace quorvel::com
