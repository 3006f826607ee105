// What an executable file says about itself: its version block and any
// resource, read from the file without running it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"

namespace e2e {

struct VersionInfo {
  VS_FIXEDFILEINFO fixed{};
  std::vector<std::pair<WORD, WORD>> translations;  // language, code page
  // String entries of the first translation's block.
  std::map<std::wstring, std::wstring> strings;
  std::wstring block;  // e.g. "0C0A04B0"
};
std::optional<VersionInfo> ReadVersionInfo(const std::wstring& exe);
std::optional<std::string> ReadResource(const std::wstring& exe, LPCWSTR type,
                                        LPCWSTR name);
std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type,
                                    LPCWSTR name);

}  // namespace e2e
