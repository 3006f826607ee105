// What an executable file says about itself: its version block and any
// resource, read from the file without running it.
#pragma once

#include <cstring>
#include <cwchar>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/handles.h"

namespace e2e {

struct VersionInfo {
  VS_FIXEDFILEINFO fixed{};
  std::vector<std::pair<WORD, WORD>> translations;  // language, code page
  // String entries of the first translation's block.
  std::map<std::wstring, std::wstring> strings;
  std::wstring block;  // e.g. "0C0A04B0"
};

inline std::optional<VersionInfo> ReadVersionInfo(const std::wstring& exe) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  std::vector<BYTE> data(size);
  if (size == 0 || !GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) {
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
      const auto* text = static_cast<const wchar_t*>(p);
      info.strings[name] = std::wstring(text, wcsnlen(text, length));
    }
  }
  return info;
}

// The file loaded as data only: its resources, none of its code.
inline LoadedModule LoadAsData(const std::wstring& path) {
  return LoadedModule(LoadLibraryExW(
      path.c_str(), nullptr,
      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

inline std::optional<std::string> ReadResource(const std::wstring& exe,
                                               LPCWSTR type, LPCWSTR name) {
  const LoadedModule module = LoadAsData(exe);
  HRSRC found = module ? FindResourceW(module.get(), name, type) : nullptr;
  HGLOBAL loaded = found ? LoadResource(module.get(), found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return std::string(static_cast<const char*>(bytes),
                     SizeofResource(module.get(), found));
}

inline BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language,
                                     LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

inline std::vector<WORD> ResourceLanguages(const std::wstring& exe,
                                           LPCWSTR type, LPCWSTR name) {
  std::vector<WORD> languages;
  const LoadedModule module = LoadAsData(exe);
  if (module) {
    EnumResourceLanguagesW(module.get(), type, name, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
  }
  return languages;
}

}  // namespace e2e
