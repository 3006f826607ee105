#include "tests/e2e/registry.h"

#include <objbase.h>

#include "connection/win32/ado_interfaces.h"
#include "tests/support/handles.h"

namespace e2e {
namespace {

REGSAM ViewFlag(View view) {
  return view == View::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

RegistryKey Open(View view, const std::wstring& key, REGSAM access) {
  RegistryKey opened;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access | ViewFlag(view),
                    opened.Put()) != ERROR_SUCCESS) {
    opened.Reset();
  }
  return opened;
}

std::vector<BYTE> Bytes(const std::wstring& text) {
  const auto* p = reinterpret_cast<const BYTE*>(text.data());
  return std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t));
}

}  // namespace

bool RegistrySeeder::KeyExists(View view, const std::wstring& key) {
  return static_cast<bool>(Open(view, key, KEY_READ));
}

bool RegistrySeeder::CreateKey(View view, const std::wstring& key) {
  // Remember the outermost key that this call creates, to delete it later.
  std::wstring outer;
  for (size_t end = key.find(L'\\'); outer.empty();
       end = key.find(L'\\', end + 1)) {
    const std::wstring prefix = key.substr(0, end);
    if (!KeyExists(view, prefix)) outer = prefix;
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

bool RegistrySeeder::SetRaw(View view, const std::wstring& key,
                            const std::wstring& name, DWORD type,
                            const std::vector<BYTE>& bytes) {
  const bool fresh = !KeyExists(view, key);
  if (!CreateKey(view, key)) return false;
  if (!fresh) changed_.push_back({view, key, name, Read(view, key, name)});
  const RegistryKey opened = Open(view, key, KEY_SET_VALUE);
  // A non-NUL guard after the data stops the registry from adding a NUL of
  // its own to string types.
  std::vector<BYTE> data = bytes;
  data.push_back(0xFF);
  data.push_back(0xFF);
  return opened &&
         RegSetValueExW(opened.get(), name.c_str(), 0, type, data.data(),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool RegistrySeeder::SetString(View view, const std::wstring& key,
                               const std::wstring& name,
                               const std::wstring& value) {
  return SetRaw(view, key, name, REG_SZ, Bytes(value + L'\0'));
}

bool RegistrySeeder::SetMultiString(View view, const std::wstring& key,
                                    const std::wstring& name,
                                    const std::vector<std::wstring>& items) {
  std::wstring joined;
  for (const auto& item : items) joined += item + L'\0';
  joined += L'\0';
  return SetRaw(view, key, name, REG_MULTI_SZ, Bytes(joined));
}

bool RegistrySeeder::SetDword(View view, const std::wstring& key,
                              const std::wstring& name, DWORD value) {
  const auto* p = reinterpret_cast<const BYTE*>(&value);
  return SetRaw(view, key, name, REG_DWORD,
                std::vector<BYTE>(p, p + sizeof(value)));
}

std::optional<std::pair<DWORD, std::vector<BYTE>>> RegistrySeeder::Read(
    View view, const std::wstring& key, const std::wstring& name) {
  const RegistryKey opened = Open(view, key, KEY_QUERY_VALUE);
  DWORD type = 0;
  DWORD size = 0;
  if (!opened || RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type,
                                  nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size);
  if (RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, data.data(),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return std::make_pair(type, data);
}

void RegistrySeeder::Restore() {
  for (auto it = changed_.rbegin(); it != changed_.rend(); ++it) {
    const RegistryKey opened = Open(it->view, it->key, KEY_SET_VALUE);
    if (!opened) continue;
    if (it->old) {
      RegSetValueExW(opened.get(), it->name.c_str(), 0, it->old->first,
                     it->old->second.data(),
                     static_cast<DWORD>(it->old->second.size()));
    } else {
      RegDeleteValueW(opened.get(), it->name.c_str());
    }
  }
  changed_.clear();
  for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
    const size_t slash = it->path.rfind(L'\\');
    const std::wstring parent =
        slash == std::wstring::npos ? L"" : it->path.substr(0, slash);
    const std::wstring leaf = it->path.substr(slash + 1);
    const RegistryKey opened = Open(it->view, parent, KEY_ALL_ACCESS);
    if (opened) {
      RegDeleteTreeW(opened.get(), leaf.c_str());
      RegDeleteKeyExW(opened.get(), leaf.c_str(), ViewFlag(it->view), 0);
    }
  }
  created_.clear();
}

bool ServeAdoFrom(RegistrySeeder& registry, const std::wstring& dll) {
  namespace ado = quorvel::connection::win32::ado;
  for (const CLSID& clsid : {ado::kClsidConnection, ado::kClsidCommand}) {
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
