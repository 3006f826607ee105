// WinReg: the program's only way into the registry. Reads one named value of
// one key; every failure ends in an empty result and is never shown.
#pragma once

#include <cstdint>
#include <variant>

#include "common/text.h"
#include "registry/registry_api.h"

namespace quorvel::registry::WinReg {

// Empty, text (NULs as stored) or a DWORD.
using RegistryValue = std::variant<std::monostate, Text, int32_t>;

// Status -1: the value's type is none of REG_SZ, REG_MULTI_SZ, REG_DWORD, or
// the size query failed and left the type unknown.
inline constexpr int32_t kUnreadableType = -1;
inline constexpr int32_t kErrorMoreData = 234;

// Reads one value of an open key into value, which the caller passes empty.
// Returns 0, the data read's Windows status, or kUnreadableType.
int32_t QueryRegistryValue(RegistryApi& registry, RegistryKey key,
                           const Text& name, RegistryValue& value);

// Opens key_path under root 0 (HKCU), 1 (HKLM) or 2 (HKCR) with the access
// mask, reads value_name and closes the key again. Empty on failure.
RegistryValue ReadRegistryValue(RegistryApi& registry, const Text& key_path,
                                const Text& value_name, int32_t root_selector,
                                uint32_t access);

// A value as text: a string without its terminating NUL, a DWORD as its
// decimal digits, nothing as the empty text.
Text TextOf(const RegistryValue& value);

// The value read by ReadRegistryValue, as text. Empty on failure.
Text ReadRegistryString(RegistryApi& registry, const Text& key_path,
                        const Text& value_name, int32_t root_selector,
                        uint32_t access);

}  // namespace quorvel::registry::WinReg
