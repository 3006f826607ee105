#include "tests/ado_standin/register.h"

#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/handles.h"

namespace quorvel::standin {
namespace {

constexpr const wchar_t* kServerKeys[] = {
    L"CLSID\\{00000514-0000-0010-8000-00AA006D2EA4}\\InprocServer32",
    L"CLSID\\{00000507-0000-0010-8000-00AA006D2EA4}\\InprocServer32",
};
constexpr wchar_t kMarker[] = L"QuorvelStandin";
constexpr wchar_t kThreading[] = L"ThreadingModel";
// Saved copies carry this prefix; "Default" stands for the unnamed value.
constexpr wchar_t kSavedPrefix[] = L"QuorvelSaved";

struct Value {
  bool present = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

Value Read(HKEY key, const wchar_t* name) {
  Value value;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return value;
  }
  value.data.resize(size);
  if (RegQueryValueExW(key, name, nullptr, &value.type,
                       size == 0 ? nullptr : value.data.data(),
                       &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present = true;
  }
  return value;
}

bool Write(HKEY key, const wchar_t* name, const Value& value) {
  return RegSetValueExW(key, name, 0, value.type,
                        value.data.empty() ? nullptr : value.data.data(),
                        static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool WriteText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(
             key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) ==
         ERROR_SUCCESS;
}

std::wstring SavedName(const wchar_t* name) {
  return std::wstring(kSavedPrefix) + (name == nullptr ? L"Default" : name);
}

// Keeps a copy of the value, or deletes a stale copy when there is none.
void Save(HKEY key, const wchar_t* name) {
  const Value value = Read(key, name);
  const std::wstring saved = SavedName(name);
  if (value.present) {
    Write(key, saved.c_str(), value);
  } else {
    RegDeleteValueW(key, saved.c_str());
  }
}

bool Restore(HKEY key, const wchar_t* name) {
  const std::wstring saved = SavedName(name);
  const Value value = Read(key, saved.c_str());
  bool ok = true;
  if (value.present) {
    ok = Write(key, name, value);
    RegDeleteValueW(key, saved.c_str());
  } else {
    const LSTATUS status = RegDeleteValueW(key, name);
    ok = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  return ok;
}

}  // namespace

bool RegisterStandin(const std::wstring& dll_path) {
  bool ok = true;
  for (const wchar_t* path : kServerKeys) {
    e2e::RegistryKey key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0,
                        KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS) {
      ok = false;
      continue;
    }
    if (!Read(key.get(), kMarker).present) {
      Save(key.get(), nullptr);
      Save(key.get(), kThreading);
      ok = WriteText(key.get(), kMarker, L"1") && ok;
    }
    ok = WriteText(key.get(), nullptr, dll_path) && ok;
    ok = WriteText(key.get(), kThreading, L"Apartment") && ok;
  }
  return ok;
}

bool UnregisterStandin() {
  bool ok = true;
  for (const wchar_t* path : kServerKeys) {
    e2e::RegistryKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0,
                      KEY_READ | KEY_WRITE | KEY_WOW64_32KEY,
                      key.Put()) != ERROR_SUCCESS) {
      continue;
    }
    if (!Read(key.get(), kMarker).present) continue;
    ok = Restore(key.get(), nullptr) && ok;
    ok = Restore(key.get(), kThreading) && ok;
    RegDeleteValueW(key.get(), kMarker);
  }
  return ok;
}

}  // namespace quorvel::standin
