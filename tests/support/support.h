// What the stand-in, the harness and the view tests share: UTF-8 to and
// from the program's UTF-16 text (for files, environment values and the
// messages of failed checks), the product's handle owner for the handles
// the tests open, and the files of the
// tests: a fresh folder under the temporary folder for the files one test
// makes, removed with everything made in it, and reading a whole file.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/win32/handles.h"
#include "common/win32/windows_api.h"

namespace e2e {

inline std::u16string FromUtf8(std::string_view utf8) {
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::u16string text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size,
                      reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

inline std::string ToUtf8(std::u16string_view text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), length, nullptr,
                      nullptr);
  return utf8;
}
inline std::string ToUtf8(std::wstring_view text) {
  return ToUtf8(std::u16string_view(
      reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// Windows' wide strings hold the same UTF-16 code units under another type.
inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

using quorvel::Owned;
using quorvel::UniqueHandle;
using RegistryKey = Owned<HKEY, &RegCloseKey>;
using LoadedModule = Owned<HMODULE, &FreeLibrary>;

class ScratchFolder {
 public:
  ScratchFolder() {
    static int serial = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // The long form: the program and the dialog show paths that way.
    wchar_t full[MAX_PATH];
    GetLongPathNameW(temp, full, MAX_PATH);
    path_ = std::wstring(full) + L"quorvel-" +
            std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    for (const std::wstring& name : names_) DeleteFileW(Path(name).c_str());
    RemoveDirectoryW(path_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Creates the empty file; names that could not be created are not kept.
  void Add(const std::wstring& name) { Write(name, ""); }
  // Creates the file with these bytes; its full path, empty on failure.
  std::wstring Write(const std::wstring& name, std::string_view bytes) {
    const std::wstring path = Path(name);
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
    if (!file) return {};
    names_.push_back(name);
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                    &written, nullptr) ||
         written != bytes.size())) {
      return {};
    }
    return path;
  }
  const std::wstring& path() const { return path_; }
  std::wstring Path(const std::wstring& name) const {
    return path_ + L"\\" + name;
  }
  const std::vector<std::wstring>& names() const { return names_; }

 private:
  std::wstring path_;
  std::vector<std::wstring> names_;
};

// A whole file, read while others may be writing it; empty when it is
// missing.
inline std::string ReadAll(const std::wstring& path) {
  const UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr));
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) &&
         got > 0) {
    content.append(buffer, got);
  }
  return content;
}

}  // namespace e2e
