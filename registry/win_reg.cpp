#include "registry/win_reg.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::registry::WinReg {
namespace {

// Larger sizes are treated as unallocatable: no registry value the program
// reads comes near this, and a corrupt size must not take all memory.
constexpr uint32_t kLargestBuffer = 64u * 1024u * 1024u;

std::optional<RootKey> RootFromSelector(int32_t selector) {
  switch (selector) {
    case 0:
      return RootKey::kCurrentUser;
    case 1:
      return RootKey::kLocalMachine;
    case 2:
      return RootKey::kClassesRoot;
    default:
      return std::nullopt;
  }
}

Text DecimalText(int32_t number) {
  const std::string digits = std::to_string(number);
  return Text(digits.begin(), digits.end());
}

// A string value of the size the size query reported. Memory running out
// ends the read like any other failure: with the status stored so far.
int32_t ReadText(RegistryApi& registry, RegistryKey key, const Text& name,
                 uint32_t type, uint32_t size, int32_t status,
                 RegistryValue& value) {
  if (size > kLargestBuffer) return status;
  try {
    // One spare byte so the buffer is never a null pointer, which would
    // turn the data read into a second size query.
    std::vector<uint8_t> buffer(std::size_t{size} + 1u, 0);
    const uint32_t capacity = size;
    status = registry.QueryValueData(key, name, &type, buffer.data(), &size);
    if (status != 0) {
      value = std::monostate{};
      return status;
    }
    // Never trust a count beyond what was handed over.
    value = registry.DecodeAnsi(buffer.data(), std::min(size, capacity));
  } catch (const std::bad_alloc&) {
  }
  return status;
}

int32_t ReadDword(RegistryApi& registry, RegistryKey key, const Text& name,
                  uint32_t type, RegistryValue& value) {
  // Capacity 4: longer stored data must not be written past the buffer.
  uint8_t dword[4] = {0, 0, 0, 0};
  uint32_t size = sizeof dword;
  const int32_t status =
      registry.QueryValueData(key, name, &type, dword, &size);
  if (status == 0) {
    const uint32_t bits = uint32_t{dword[0]} | uint32_t{dword[1]} << 8 |
                          uint32_t{dword[2]} << 16 | uint32_t{dword[3]} << 24;
    value = static_cast<int32_t>(bits);
  }
  return status;
}

}  // namespace

int32_t QueryRegistryValue(RegistryApi& registry, RegistryKey key,
                           const Text& name, RegistryValue& value) {
  uint32_t type = 0;
  uint32_t size = 0;
  // Not tested: the type the size query leaves behind decides what follows.
  const int32_t status = registry.QueryValueSize(key, name, &type, &size);
  if (type == kRegSz || type == kRegMultiSz) {
    return ReadText(registry, key, name, type, size, status, value);
  }
  if (type == kRegDword) return ReadDword(registry, key, name, type, value);
  return kUnreadableType;
}

RegistryValue ReadRegistryValue(RegistryApi& registry, const Text& key_path,
                                const Text& value_name, int32_t root_selector,
                                uint32_t access) {
  ScopedRegistryKey key(registry);
  if (const auto root = RootFromSelector(root_selector)) {
    registry.OpenKey(*root, key_path, access, key.Put());
  }
  RegistryValue value;
  QueryRegistryValue(registry, key.Get(), value_name, value);
  return value;
}

Text TextOf(const RegistryValue& value) {
  Text result;
  if (const Text* text = std::get_if<Text>(&value)) {
    result = *text;
  } else if (const int32_t* number = std::get_if<int32_t>(&value)) {
    // Its last character is a digit, so the NUL rule below keeps them all.
    result = DecimalText(*number);
  }
  // Only a terminating NUL goes: text stored without one stays whole, and a
  // multi-string keeps one NUL after each item.
  if (!result.empty() && result.back() == u'\0') result.pop_back();
  return result;
}

Text ReadRegistryString(RegistryApi& registry, const Text& key_path,
                        const Text& value_name, int32_t root_selector,
                        uint32_t access) {
  return TextOf(
      ReadRegistryValue(registry, key_path, value_name, root_selector, access));
}

}  // namespace quorvel::registry::WinReg
