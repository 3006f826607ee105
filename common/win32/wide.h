// The program's text is UTF-16, as is Windows' wide text: the same code
// units under another type name.
#pragma once

#include <cstddef>

#include "common/text.h"

namespace quorvel {

static_assert(sizeof(wchar_t) == sizeof(char16_t),
              "Windows' wide characters are UTF-16 code units");

// The text as a NUL-terminated wide string, valid while the text lives.
inline const wchar_t* Wide(const Text& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline Text FromWide(const wchar_t* text, std::size_t length) {
  return Text(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace quorvel
