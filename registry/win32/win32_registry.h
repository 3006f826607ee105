// The registry operations over advapi32 (ANSI forms).
#pragma once

#include "registry/registry_api.h"

namespace quorvel::registry::win32 {

class Win32Registry final : public RegistryApi {
 public:
  int32_t OpenKey(RootKey root, const Text& path, uint32_t access,
                  RegistryKey* key) override;
  int32_t QueryValueSize(RegistryKey key, const Text& name, uint32_t* type,
                         uint32_t* size) override;
  int32_t QueryValueData(RegistryKey key, const Text& name, uint32_t* type,
                         uint8_t* data, uint32_t* size) override;
  void CloseKey(RegistryKey key) override;
  Text DecodeAnsi(const uint8_t* bytes, std::size_t count) const override;
};

}  // namespace quorvel::registry::win32
