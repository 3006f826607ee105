#include "registry/win_reg.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::WinReg {
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

// A step that fails is skipped and the caller goes on with the next one.
template <typename Step>
void ResumeNext(Step&& step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

int32_t QueryRegistryValue(RegistryApi& registry, RegistryKey key,
                           const Text& name, RegistryValue& value) {
  int32_t status = 0;
  uint32_t type = 0;
  uint32_t size = 0;
  uint8_t dword[4] = {0, 0, 0, 0};
  // Any failure ends the routine with the status stored so far.
  try {
    status = registry.QueryValueSize(key, name, &type, &size);
    if (type == kRegSz || type == kRegMultiSz) {
      if (size > kLargestBuffer) throw std::bad_alloc();
      // One spare byte so the buffer is never a null pointer, which would
      // turn the data read into a second size query.
      std::vector<uint8_t> buffer(std::size_t{size} + 1u, 0);
      const uint32_t capacity = size;
      status = registry.QueryValueData(key, name, &type, buffer.data(), &size);
      if (status == 0) {
        // Never trust a count beyond what was handed over.
        const uint32_t count = std::min(size, capacity);
        value = registry.DecodeAnsi(buffer.data(), count);
      } else {
        value = std::monostate{};
      }
    } else if (type == kRegDword) {
      size = sizeof dword;
      status = registry.QueryValueData(key, name, &type, dword, &size);
      if (status == 0) {
        const uint32_t bits = uint32_t{dword[0]} | uint32_t{dword[1]} << 8 |
                              uint32_t{dword[2]} << 16 |
                              uint32_t{dword[3]} << 24;
        value = static_cast<int32_t>(bits);
      }
    } else {
      status = kUnreadableType;
    }
  } catch (...) {
  }
  return status;
}

Text ReadRegistryString(RegistryApi& registry, const Text& key_path,
                        const Text& value_name, int32_t root_selector,
                        uint32_t access) {
  RegistryKey key = 0;
  Text result;
  ResumeNext([&] {
    if (const auto root = RootFromSelector(root_selector)) {
      registry.OpenKey(*root, key_path, access, &key);
    }
  });
  ResumeNext([&] {
    RegistryValue value;
    QueryRegistryValue(registry, key, value_name, value);
    if (const Text* text = std::get_if<Text>(&value)) {
      result = *text;
    } else if (const int32_t* number = std::get_if<int32_t>(&value)) {
      // A DWORD comes back as its decimal text; its last character is a
      // digit, so the NUL rule below keeps every digit.
      result = DecimalText(*number);
    }
    // Only a terminating NUL goes: text stored without one stays whole, and a
    // multi-string keeps one NUL after each item.
    if (!result.empty() && result.back() == u'\0') result.pop_back();
  });
  ResumeNext([&] { registry.CloseKey(key); });
  return result;
}

}  // namespace quorvel::WinReg
