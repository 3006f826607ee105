#include "registry/win32/win32_registry.h"

#include <array>
#include <string>

#include "common/win32/wide.h"
#include "common/win32/windows_api.h"

namespace quorvel::registry::win32 {
namespace {

HKEY RootHandle(RootKey root) {
  switch (root) {
    case RootKey::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RootKey::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RootKey::kLocalMachine:
    default:
      return HKEY_LOCAL_MACHINE;
  }
}

HKEY ToHkey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

// Paths and value names go to the ANSI functions in the ANSI code page, as
// the system itself would convert them.
std::string ToAnsi(const Text& text) {
  if (text.empty()) return {};
  const wchar_t* wide = Wide(text);
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0,
                                        nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, ansi.data(), bytes, nullptr,
                      nullptr);
  return ansi;
}

// Each ANSI byte on its own as one wide character. Built once; a byte the
// code page leaves undefined (or a DBCS lead byte alone) maps to itself.
const std::array<char16_t, 256>& AnsiTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> built{};
    for (int byte = 0; byte < 256; ++byte) {
      const char narrow = static_cast<char>(byte);
      wchar_t wide = 0;
      const int written = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS,
                                              &narrow, 1, &wide, 1);
      built[static_cast<std::size_t>(byte)] = written == 1
                                                  ? static_cast<char16_t>(wide)
                                                  : static_cast<char16_t>(byte);
    }
    return built;
  }();
  return table;
}

}  // namespace

int32_t Win32Registry::OpenKey(RootKey root, const Text& path, uint32_t access,
                               RegistryKey* key) {
  const std::string ansi_path = ToAnsi(path);
  HKEY opened = nullptr;
  const LONG status =
      RegOpenKeyExA(RootHandle(root), ansi_path.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS) *key = reinterpret_cast<RegistryKey>(opened);
  return static_cast<int32_t>(status);
}

int32_t Win32Registry::QueryValueSize(RegistryKey key, const Text& name,
                                      uint32_t* type, uint32_t* size) {
  const std::string ansi_name = ToAnsi(name);
  DWORD value_type = *type;
  DWORD value_size = 0;
  const LONG status = RegQueryValueExA(ToHkey(key), ansi_name.c_str(), nullptr,
                                       &value_type, nullptr, &value_size);
  if (status == ERROR_SUCCESS) {
    *type = value_type;
    *size = value_size;
  }
  return static_cast<int32_t>(status);
}

int32_t Win32Registry::QueryValueData(RegistryKey key, const Text& name,
                                      uint32_t* type, uint8_t* data,
                                      uint32_t* size) {
  const std::string ansi_name = ToAnsi(name);
  DWORD value_type = *type;
  DWORD value_size = *size;
  const LONG status = RegQueryValueExA(ToHkey(key), ansi_name.c_str(), nullptr,
                                       &value_type, data, &value_size);
  *type = value_type;
  *size = value_size;
  return static_cast<int32_t>(status);
}

void Win32Registry::CloseKey(RegistryKey key) {
  // A zero handle just fails with a status nobody looks at.
  RegCloseKey(ToHkey(key));
}

Text Win32Registry::DecodeAnsi(const uint8_t* bytes, std::size_t count) const {
  const auto& table = AnsiTable();
  Text text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) text.push_back(table[bytes[i]]);
  return text;
}

}  // namespace quorvel::registry::win32
