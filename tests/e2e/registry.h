// The registry of the test's prefix, HKEY_LOCAL_MACHINE in either view,
// seeded for one test: everything is undone on destruction, so a test
// leaves the prefix as it found it.
#pragma once

#include "common/win32/windows_api.h"
// The header below needs windows.h before it.
#include <objbase.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "connection/win32/ado_interfaces.h"
#include "tests/support/support.h"

namespace e2e {

enum class View { k32, k64 };

class RegistrySeeder {
 public:
  using Value = std::pair<DWORD, std::vector<BYTE>>;  // type, bytes

  RegistrySeeder() = default;
  RegistrySeeder(const RegistrySeeder&) = delete;
  RegistrySeeder& operator=(const RegistrySeeder&) = delete;
  ~RegistrySeeder() { Restore(); }

  bool SetString(View view, const std::wstring& key, const std::wstring& name,
                 const std::wstring& value) {
    return SetRaw(view, key, name, REG_SZ, Bytes(value + L'\0'));
  }
  bool SetMultiString(View view, const std::wstring& key,
                      const std::wstring& name,
                      const std::vector<std::wstring>& items) {
    std::wstring joined;
    for (const auto& item : items) joined += item + L'\0';
    return SetRaw(view, key, name, REG_MULTI_SZ, Bytes(joined + L'\0'));
  }
  // Stores exactly these bytes (a string without its NUL stays so).
  bool SetRaw(View view, const std::wstring& key, const std::wstring& name,
              DWORD type, const std::vector<BYTE>& bytes) {
    const bool fresh = !KeyExists(view, key);
    if (!CreateKey(view, key)) return false;
    if (!fresh) changed_.push_back({view, key, name, Read(view, key, name)});
    const RegistryKey opened = Open(view, key, KEY_SET_VALUE);
    // A non-NUL guard after the data stops the registry from adding a NUL of
    // its own to string types.
    std::vector<BYTE> data = bytes;
    data.insert(data.end(), {0xFF, 0xFF});
    return opened &&
           RegSetValueExW(opened.get(), name.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
  }
  // Creates the key (and its parents) with no value.
  bool CreateKey(View view, const std::wstring& key) {
    // Remember the outermost key that this call creates, to delete it later.
    std::wstring outer;
    for (size_t end = key.find(L'\\'); outer.empty();
         end = key.find(L'\\', end + 1)) {
      if (!KeyExists(view, key.substr(0, end))) outer = key.substr(0, end);
      if (end == std::wstring::npos) break;
    }
    RegistryKey created;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                        KEY_WRITE | ViewFlag(view), nullptr, created.Put(),
                        nullptr) != ERROR_SUCCESS) {
      return false;
    }
    if (!outer.empty()) created_.push_back({view, outer});
    return true;
  }
  // Undoes everything now (also done on destruction).
  void Restore() {
    for (auto it = changed_.rbegin(); it != changed_.rend(); ++it) {
      const RegistryKey opened = Open(it->view, it->key, KEY_SET_VALUE);
      if (opened && it->old) {
        RegSetValueExW(opened.get(), it->name.c_str(), 0, it->old->first,
                       it->old->second.data(),
                       static_cast<DWORD>(it->old->second.size()));
      } else if (opened) {
        RegDeleteValueW(opened.get(), it->name.c_str());
      }
    }
    changed_.clear();
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      const size_t slash = it->path.rfind(L'\\');
      const std::wstring leaf = it->path.substr(slash + 1);
      const RegistryKey parent =
          Open(it->view,
               slash == std::wstring::npos ? L"" : it->path.substr(0, slash),
               KEY_ALL_ACCESS);
      if (parent) {
        RegDeleteTreeW(parent.get(), leaf.c_str());
        RegDeleteKeyExW(parent.get(), leaf.c_str(), ViewFlag(it->view), 0);
      }
    }
    created_.clear();
  }

  // Reads back (type, bytes) of a value, for checks.
  static std::optional<Value> Read(View view, const std::wstring& key,
                                   const std::wstring& name) {
    const RegistryKey opened = Open(view, key, KEY_QUERY_VALUE);
    DWORD type = 0;
    DWORD size = 0;
    if (!opened || RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type,
                                    nullptr, &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type,
                         data.data(), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    data.resize(size);
    return Value(type, data);
  }
  static bool KeyExists(View view, const std::wstring& key) {
    return static_cast<bool>(Open(view, key, KEY_READ));
  }

 private:
  static REGSAM ViewFlag(View view) {
    return view == View::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  }
  static RegistryKey Open(View view, const std::wstring& key, REGSAM access) {
    RegistryKey opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                      access | ViewFlag(view), opened.Put()) != ERROR_SUCCESS) {
      opened.Reset();
    }
    return opened;
  }
  static std::vector<BYTE> Bytes(const std::wstring& text) {
    const auto* p = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t));
  }

  struct CreatedKey {
    View view;
    std::wstring path;
  };
  struct OldValue {
    View view;
    std::wstring key, name;
    std::optional<Value> old;
  };
  std::vector<CreatedKey> created_;
  std::vector<OldValue> changed_;
};

// The classes served by the DLL at that path, ADO's Connection and Command
// unless others are named, in the 32-bit HKCR\CLSID where a 32-bit program
// looks them up; undone with the rest of what the registry was given.
inline bool ServeClassesFrom(
    RegistrySeeder& registry, const std::wstring& dll,
    std::initializer_list<CLSID> classes = {
        quorvel::connection::win32::ado::kClsidConnection,
        quorvel::connection::win32::ado::kClsidCommand}) {
  for (const CLSID& clsid : classes) {
    wchar_t text[40] = L"";
    StringFromGUID2(clsid, text, 40);
    const std::wstring key = std::wstring(L"SOFTWARE\\Classes\\CLSID\\") +
                             text + L"\\InprocServer32";
    if (!registry.SetString(View::k32, key, L"", dll) ||
        !registry.SetString(View::k32, key, L"ThreadingModel", L"Apartment")) {
      return false;
    }
  }
  return true;
}

}  // namespace e2e
