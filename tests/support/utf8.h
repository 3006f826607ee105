// UTF-8 to and from the program's UTF-16 text, for files, environment
// values and the messages of failed checks.
#pragma once

#include <string>
#include <string_view>

namespace e2e {

std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view text);
inline std::string ToUtf8(std::wstring_view text) {
  return ToUtf8(std::u16string_view(
      reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// Windows' wide strings hold the same UTF-16 code units under another type.
inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace e2e
