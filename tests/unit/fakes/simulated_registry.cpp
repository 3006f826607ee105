#include "fakes/simulated_registry.h"

#include <algorithm>
#include <utility>

namespace quorvel::testing {
namespace {

// Key paths and value names compare without regard to ASCII case.
Text Fold(Text text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
  }
  return text;
}

}  // namespace

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

SimulatedValue Sz(const std::string& text) { return Raw(kRegSz, text + '\0'); }

SimulatedValue MultiSz(const std::vector<std::string>& items) {
  std::string data;
  for (const std::string& item : items) data += item + '\0';
  return Raw(kRegMultiSz, data + '\0');
}

SimulatedValue Dword(uint32_t number) {
  SimulatedValue value;
  value.type = kRegDword;
  for (int shift = 0; shift < 32; shift += 8) {
    value.data.push_back(static_cast<uint8_t>(number >> shift));
  }
  return value;
}

SimulatedValue Raw(uint32_t type, const std::string& data) {
  SimulatedValue value;
  value.type = type;
  value.data = Bytes(data);
  return value;
}

SimulatedRegistry::Storage& SimulatedRegistry::StorageFor(View view) {
  return views_[single_view_ || view == View::k32Bit ? 0 : 1];
}

SimulatedRegistry::Storage& SimulatedRegistry::StorageFor(uint32_t access) {
  // A 32-bit process: its own view unless it asks for the 64-bit one.
  const bool wants_64 =
      (access & kKeyWow64_64Key) != 0 && (access & kKeyWow64_32Key) == 0;
  return StorageFor(wants_64 ? View::k64Bit : View::k32Bit);
}

SimulatedRegistry::Key& SimulatedRegistry::KeyAt(View view, RootKey root,
                                                 const Text& path) {
  return StorageFor(view)[{root, Fold(path)}];
}

void SimulatedRegistry::SetValue(View view, RootKey root, const Text& path,
                                 const Text& name, SimulatedValue value) {
  KeyAt(view, root, path).values[Fold(name)] = std::move(value);
}

void SimulatedRegistry::AddKey(View view, RootKey root, const Text& path) {
  KeyAt(view, root, path);
}

void SimulatedRegistry::DenyAccess(View view, RootKey root, const Text& path) {
  KeyAt(view, root, path).denied = true;
}

int32_t SimulatedRegistry::OpenKey(RootKey root, const Text& path,
                                   uint32_t access, RegistryKey* key) {
  Storage& storage = StorageFor(access);
  const auto found = storage.find({root, Fold(path)});
  int32_t status = 0;
  if (found == storage.end()) {
    status = kErrorFileNotFound;
  } else if (found->second.denied) {
    status = kErrorAccessDenied;
  } else {
    const RegistryKey handle = next_handle_;
    next_handle_ += 4;
    handles_[handle] = Handle{&found->second, access};
    *key = handle;
  }
  opens_.push_back({root, path, access, status});
  return status;
}

std::pair<SimulatedValue*, int32_t> SimulatedRegistry::Find(RegistryKey key,
                                                            const Text& name) {
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

int32_t SimulatedRegistry::QueryValueSize(RegistryKey key, const Text& name,
                                          uint32_t* type, uint32_t* size) {
  auto [value, status] = Find(key, name);
  if (value == nullptr) return status;
  *type = value->type;
  *size =
      value->reported_size.value_or(static_cast<uint32_t>(value->data.size()));
  if (value->grows_to) {
    value->data = std::move(*value->grows_to);
    value->grows_to.reset();
  }
  return 0;
}

int32_t SimulatedRegistry::QueryValueData(RegistryKey key, const Text& name,
                                          uint32_t* type, uint8_t* data,
                                          uint32_t* size) {
  auto [value, status] = Find(key, name);
  if (value == nullptr) return status;
  *type = value->type;
  const auto needed = static_cast<uint32_t>(value->data.size());
  if (data == nullptr) {
    *size = needed;
    return 0;
  }
  if (needed > *size) {
    *size = needed;
    return kErrorMoreData;
  }
  std::copy(value->data.begin(), value->data.end(), data);
  *size = needed;
  return 0;
}

void SimulatedRegistry::CloseKey(RegistryKey key) {
  closes_.push_back(key);
  if (handles_.erase(key) == 0 && key != 0) ++bad_closes_;
}

Text SimulatedRegistry::DecodeAnsi(const uint8_t* bytes,
                                   std::size_t count) const {
  return Text(bytes, bytes + count);
}

}  // namespace quorvel::testing
