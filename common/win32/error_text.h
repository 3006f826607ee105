// Readable text for an HRESULT: what the window shows when a call into the
// system fails and left no description of its own.
#pragma once

#include <cstdint>

#include "common/text.h"
#include "common/win32/wide.h"
#include "common/win32/windows_api.h"

namespace quorvel::com {

// The system's text for an HRESULT without its trailing line break; empty
// when the system has none.
inline Text SystemMessage(HRESULT result) {
  wchar_t buffer[1024];
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(result), 0, buffer,
      static_cast<DWORD>(sizeof buffer / sizeof buffer[0]), nullptr);
  Text text = FromWide(buffer, length);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' ||
                           text.back() == u' ')) {
    text.pop_back();
  }
  return text;
}

// "Error 0x80004005".
inline Text HexErrorText(HRESULT result) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  const auto bits = static_cast<uint32_t>(result);
  Text text = u"Error 0x";
  for (int shift = 28; shift >= 0; shift -= 4) {
    text.push_back(kDigits[(bits >> shift) & 0xFu]);
  }
  return text;
}

// The system's text, else "Error 0x…": never empty.
inline Text ErrorText(HRESULT result) {
  Text text = SystemMessage(result);
  return text.empty() ? HexErrorText(result) : text;
}

}  // namespace quorvel::com
