#include "tests/support/utf8.h"

#include "common/win32/windows_api.h"

namespace e2e {

std::u16string FromUtf8(std::string_view utf8) {
  const int size = static_cast<int>(utf8.size());
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::u16string text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size,
                      reinterpret_cast<wchar_t*>(text.data()), length);
  return text;
}

std::string ToUtf8(std::u16string_view text) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, size, utf8.data(), length, nullptr,
                      nullptr);
  return utf8;
}

}  // namespace e2e
