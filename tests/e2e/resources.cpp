#include "tests/e2e/resources.h"

#include <cstring>
#include <cwchar>

#include "tests/support/handles.h"

namespace e2e {
namespace {

LoadedModule LoadData(const std::wstring& path) {
  return LoadedModule(LoadLibraryExW(
      path.c_str(), nullptr,
      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language,
                              LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const std::wstring& exe) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) {
    return std::nullopt;
  }
  VersionInfo info;
  void* p = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", &p, &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    std::memcpy(&info.fixed, p, sizeof(VS_FIXEDFILEINFO));
  }
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &p, &length)) {
    const auto* words = static_cast<const WORD*>(p);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
      info.translations.emplace_back(words[i], words[i + 1]);
    }
  }
  if (info.translations.empty()) return info;
  wchar_t block[16];
  swprintf(block, 16, L"%04X%04X", info.translations[0].first,
           info.translations[0].second);
  info.block = block;
  for (const wchar_t* name :
       {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
        L"LegalCopyright", L"OriginalFilename", L"ProductName",
        L"ProductVersion", L"Comments"}) {
    std::wstring query = L"\\StringFileInfo\\" + info.block + L"\\" + name;
    if (VerQueryValueW(data.data(), query.c_str(), &p, &length)) {
      info.strings[name] =
          std::wstring(static_cast<const wchar_t*>(p),
                       wcsnlen(static_cast<const wchar_t*>(p), length));
    }
  }
  return info;
}

std::optional<std::string> ReadResource(const std::wstring& exe, LPCWSTR type,
                                        LPCWSTR name) {
  const LoadedModule module = LoadData(exe);
  HRSRC found = module ? FindResourceW(module.get(), name, type) : nullptr;
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module.get(), found);
  DWORD size = SizeofResource(module.get(), found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return std::string(static_cast<const char*>(bytes), size);
}

std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type,
                                    LPCWSTR name) {
  std::vector<WORD> languages;
  const LoadedModule module = LoadData(exe);
  if (module) {
    EnumResourceLanguagesW(module.get(), type, name, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  }
  return languages;
}

}  // namespace e2e
