// An in-memory registry with the two views of 64-bit Windows (or the single
// view of 32-bit Windows), answering like advapi32 does and recording every
// open and close.
#pragma once

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
std::vector<uint8_t> Bytes(const std::string& text);
// A REG_SZ as stored: the text and one NUL.
SimulatedValue Sz(const std::string& text);
// A REG_MULTI_SZ as stored: each item and a NUL, then the closing NUL.
SimulatedValue MultiSz(const std::vector<std::string>& items);
SimulatedValue Dword(uint32_t number);
SimulatedValue Raw(uint32_t type, const std::string& data);

class SimulatedRegistry final : public RegistryApi {
 public:
  // A single-view registry gives both access masks the same data.
  explicit SimulatedRegistry(bool single_view = false)
      : single_view_(single_view) {}

  void SetValue(View view, RootKey root, const Text& path, const Text& name,
                SimulatedValue value);
  void SetValue(View view, const Text& path, const Text& name,
                SimulatedValue value) {
    SetValue(view, RootKey::kLocalMachine, path, name, std::move(value));
  }
  // A key with no values.
  void AddKey(View view, RootKey root, const Text& path);
  // The key exists but every open of it is refused.
  void DenyAccess(View view, RootKey root, const Text& path);

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
                  RegistryKey* key) override;
  int32_t QueryValueSize(RegistryKey key, const Text& name, uint32_t* type,
                         uint32_t* size) override;
  int32_t QueryValueData(RegistryKey key, const Text& name, uint32_t* type,
                         uint8_t* data, uint32_t* size) override;
  void CloseKey(RegistryKey key) override;
  // Latin-1: each byte is the character with the same code.
  Text DecodeAnsi(const uint8_t* bytes, std::size_t count) const override;

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

  Storage& StorageFor(View view);
  Storage& StorageFor(uint32_t access);
  Key& KeyAt(View view, RootKey root, const Text& path);
  // The value behind an open handle, or the error status.
  std::pair<SimulatedValue*, int32_t> Find(RegistryKey key, const Text& name);

  bool single_view_;
  Storage views_[2];
  std::map<RegistryKey, Handle> handles_;
  RegistryKey next_handle_ = 0x1000;
  std::vector<OpenCall> opens_;
  std::vector<RegistryKey> closes_;
  std::size_t bad_closes_ = 0;
};

}  // namespace quorvel::testing
