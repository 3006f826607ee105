// The registry of the test's prefix, HKEY_LOCAL_MACHINE in either view,
// seeded for one test: everything is undone on destruction, so a test
// leaves the prefix as it found it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"

namespace e2e {

enum class View { k32, k64 };

class RegistrySeeder {
 public:
  RegistrySeeder() = default;
  RegistrySeeder(const RegistrySeeder&) = delete;
  RegistrySeeder& operator=(const RegistrySeeder&) = delete;
  ~RegistrySeeder() { Restore(); }

  bool SetString(View view, const std::wstring& key, const std::wstring& name,
                 const std::wstring& value);
  bool SetMultiString(View view, const std::wstring& key,
                      const std::wstring& name,
                      const std::vector<std::wstring>& items);
  bool SetDword(View view, const std::wstring& key, const std::wstring& name,
                DWORD value);
  // Stores exactly these bytes (a string without its NUL stays so).
  bool SetRaw(View view, const std::wstring& key, const std::wstring& name,
              DWORD type, const std::vector<BYTE>& bytes);
  // Creates the key (and its parents) with no value.
  bool CreateKey(View view, const std::wstring& key);
  // Undoes everything now (also done on destruction).
  void Restore();

  // Reads back (type, bytes) of a value, for checks.
  static std::optional<std::pair<DWORD, std::vector<BYTE>>> Read(
      View view, const std::wstring& key, const std::wstring& name);
  static bool KeyExists(View view, const std::wstring& key);

 private:
  struct CreatedKey {
    View view;
    std::wstring path;
  };
  struct OldValue {
    View view;
    std::wstring key, name;
    std::optional<std::pair<DWORD, std::vector<BYTE>>> old;
  };
  std::vector<CreatedKey> created_;
  std::vector<OldValue> changed_;
};

// ADO's Connection and Command classes served by the DLL at that path, in
// the 32-bit HKCR\CLSID where a 32-bit program looks them up; undone with
// the rest of what the registry was given.
bool ServeAdoFrom(RegistrySeeder& registry, const std::wstring& dll);

}  // namespace e2e
