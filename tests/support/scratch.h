// Files of the tests: a fresh folder under the temporary folder for the
// files one test makes, removed with everything made in it; and reading a
// whole file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace e2e {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Creates the empty file; names that could not be created are not kept.
  void Add(const std::wstring& name) { Write(name, ""); }
  // Creates the file with these bytes; its full path, empty on failure.
  std::wstring Write(const std::wstring& name, std::string_view bytes);
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
std::string ReadAll(const std::wstring& path);

}  // namespace e2e
