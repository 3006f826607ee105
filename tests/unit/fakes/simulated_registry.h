// An in-memory registry with the two views of 64-bit Windows (or the single
// view of 32-bit Windows), answering like advapi32 does and recording every
// open and close.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "registry/registry_api.h"

namespace quorvel::testing {

// The fakes stand in for these interfaces, under their own names.
using namespace ::quorvel::registry;

inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorInvalidHandle = 6;
inline constexpr int32_t kErrorMoreData = 234;
inline constexpr uint32_t kKeyWow64_32Key = 0x0200;

enum class View { k32Bit, k64Bit };

struct SimulatedValue {
  uint32_t type = kRegSz;
  std::vector<uint8_t> data;
  // What the size query reports instead of the data's size: far too large to
  // allocate, or more than the read then writes.
  std::optional<uint32_t> reported_size;
  // Replaces the data right after the next size query: the value grows
  // between the size query and the data read.
  std::optional<std::vector<uint8_t>> grows_to;
};

// Bytes of an ANSI text, with no NUL added.
inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}
inline SimulatedValue Raw(uint32_t type, const std::string& data) {
  return {type, Bytes(data), {}, {}};
}
// A REG_SZ as stored: the text and one NUL.
inline SimulatedValue Sz(const std::string& text) {
  return Raw(kRegSz, text + '\0');
}
// A REG_MULTI_SZ as stored: each item and a NUL, then the closing NUL.
inline SimulatedValue MultiSz(const std::vector<std::string>& items) {
  std::string data;
  for (const std::string& item : items) data += item + '\0';
  return Raw(kRegMultiSz, data + '\0');
}
inline SimulatedValue Dword(uint32_t number) {  // little-endian
  std::string data;
  for (int shift = 0; shift < 32; shift += 8) {
    data += static_cast<char>((number >> shift) & 0xFF);
  }
  return Raw(kRegDword, data);
}

class SimulatedRegistry final : public RegistryApi {
 public:
  // A single-view registry gives both access masks the same data.
  explicit SimulatedRegistry(bool single_view = false)
      : single_view_(single_view) {}

  void SetValue(View view, RootKey root, const Text& path, const Text& name,
                SimulatedValue value) {
    KeyAt(view, root, path).values[Fold(name)] = std::move(value);
  }
  void SetValue(View view, const Text& path, const Text& name,
                SimulatedValue value) {
    SetValue(view, RootKey::kLocalMachine, path, name, std::move(value));
  }
  // The key exists but every open of it is refused.
  void DenyAccess(View view, RootKey root, const Text& path) {
    KeyAt(view, root, path).denied = true;
  }

  struct OpenCall {
    RootKey root;
    Text path;
    uint32_t access;
    int32_t status;
  };
  const std::vector<OpenCall>& opens() const { return opens_; }
  const std::vector<RegistryKey>& closes() const { return closes_; }
  // Handles opened and not closed yet.
  std::size_t open_handles() const { return handles_.size(); }
  // Closes of a handle that was never opened or was closed already.
  std::size_t bad_closes() const { return bad_closes_; }

  int32_t OpenKey(RootKey root, const Text& path, uint32_t access,
                  RegistryKey* key) override {
    // A 32-bit process: its own view unless it asks for the 64-bit one.
    const bool wants_64 =
        (access & kKeyWow64_64Key) != 0 && (access & kKeyWow64_32Key) == 0;
    Storage& storage = StorageFor(wants_64 ? View::k64Bit : View::k32Bit);
    const auto found = storage.find({root, Fold(path)});
    int32_t status = 0;
    if (found == storage.end()) {
      status = kErrorFileNotFound;
    } else if (found->second.denied) {
      status = kErrorAccessDenied;
    } else {
      *key = next_handle_;
      next_handle_ += 4;
      handles_[*key] = Handle{&found->second, access};
    }
    opens_.push_back({root, path, access, status});
    return status;
  }
  int32_t QueryValueSize(RegistryKey key, const Text& name, uint32_t* type,
                         uint32_t* size) override {
    auto [value, status] = Find(key, name);
    if (value == nullptr) return status;
    *type = value->type;
    *size = value->reported_size.value_or(
        static_cast<uint32_t>(value->data.size()));
    if (value->grows_to) {
      value->data = std::move(*value->grows_to);
      value->grows_to.reset();
    }
    return 0;
  }
  int32_t QueryValueData(RegistryKey key, const Text& name, uint32_t* type,
                         uint8_t* data, uint32_t* size) override {
    auto [value, status] = Find(key, name);
    if (value == nullptr) return status;
    *type = value->type;
    const auto needed = static_cast<uint32_t>(value->data.size());
    const bool fits = data != nullptr && needed <= *size;
    if (fits) std::copy(value->data.begin(), value->data.end(), data);
    *size = needed;
    return fits || data == nullptr ? 0 : kErrorMoreData;
  }
  void CloseKey(RegistryKey key) override {
    closes_.push_back(key);
    if (handles_.erase(key) == 0 && key != 0) ++bad_closes_;
  }
  // Latin-1: each byte is the character with the same code.
  Text DecodeAnsi(const uint8_t* bytes, std::size_t count) const override {
    return Text(bytes, bytes + count);
  }

 private:
  struct Key {
    std::map<Text, SimulatedValue> values;  // by upper-case name
    bool denied = false;
  };
  struct Handle {
    Key* key;
    uint32_t access;
  };
  using Storage = std::map<std::pair<RootKey, Text>, Key>;

  // Key paths and value names compare without regard to ASCII case.
  static Text Fold(Text text) {
    for (char16_t& c : text) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
    }
    return text;
  }
  Storage& StorageFor(View view) {
    return views_[single_view_ || view == View::k32Bit ? 0 : 1];
  }
  Key& KeyAt(View view, RootKey root, const Text& path) {
    return StorageFor(view)[{root, Fold(path)}];
  }
  // The value behind an open handle, or the error status.
  std::pair<SimulatedValue*, int32_t> Find(RegistryKey key, const Text& name) {
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return {nullptr, kErrorInvalidHandle};
    if ((handle->second.access & kKeyQueryValue) == 0) {
      return {nullptr, kErrorAccessDenied};
    }
    auto& values = handle->second.key->values;
    const auto value = values.find(Fold(name));
    if (value == values.end()) return {nullptr, kErrorFileNotFound};
    return {&value->second, 0};
  }

  bool single_view_;
  Storage views_[2];
  std::map<RegistryKey, Handle> handles_;
  RegistryKey next_handle_ = 0x1000;
  std::vector<OpenCall> opens_;
  std::vector<RegistryKey> closes_;
  std::size_t bad_closes_ = 0;
};

}  // namespace quorvel::testing
