// The three registry operations the reader relies on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/text.h"

namespace quorvel::registry {

// An open key; 0 holds no key.
using RegistryKey = std::uintptr_t;

enum class RootKey { kCurrentUser, kLocalMachine, kClassesRoot };

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeyWow64_64Key = 0x0100;

class RegistryApi {
 public:
  virtual ~RegistryApi() = default;
  // Leaves *key untouched on failure. Returns a Windows status.
  virtual int32_t OpenKey(RootKey root, const Text& path, uint32_t access,
                          RegistryKey* key) = 0;
  // Type and size in bytes of a value; *type is left as it was on failure.
  virtual int32_t QueryValueSize(RegistryKey key, const Text& name,
                                 uint32_t* type, uint32_t* size) = 0;
  // Reads into data (capacity *size bytes); on success *size is the count
  // written, terminating NULs of strings included.
  virtual int32_t QueryValueData(RegistryKey key, const Text& name,
                                 uint32_t* type, uint8_t* data,
                                 uint32_t* size) = 0;
  virtual void CloseKey(RegistryKey key) = 0;
  // Data in the system's ANSI code page as wide text, one character a byte.
  virtual Text DecodeAnsi(const uint8_t* bytes, std::size_t count) const = 0;
};

// Owns one key slot and closes it on every way out, whether an open filled
// it or not: closing a slot that holds no key is harmless.
class ScopedRegistryKey {
 public:
  explicit ScopedRegistryKey(RegistryApi& registry) : registry_(registry) {}
  ScopedRegistryKey(const ScopedRegistryKey&) = delete;
  ScopedRegistryKey& operator=(const ScopedRegistryKey&) = delete;
  ~ScopedRegistryKey() { registry_.CloseKey(key_); }

  RegistryKey Get() const { return key_; }
  // For the open call to fill.
  RegistryKey* Put() { return &key_; }

 private:
  RegistryApi& registry_;
  RegistryKey key_ = 0;
};

}  // namespace quorvel::registry
