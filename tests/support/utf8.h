// UTF-8 to and from the program's UTF-16 text, for files, environment
// values and the messages of failed checks.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace e2e
