// Files of the tests: a fresh folder under the temporary folder for the
// files one test makes, removed with everything made in it; and reading a
// whole file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/support/handles.h"

namespace e2e {

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
