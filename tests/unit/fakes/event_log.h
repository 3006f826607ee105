// One log of what the fakes are asked to do, shared by all of them, so tests
// can check the order of steps across controls.
#pragma once

#include <string>
#include <vector>

#include "common/text.h"

namespace quorvel::testing {

using EventLog = std::vector<std::string>;

// Readable ASCII rendering of UTF-16 text for logs and assertions.
inline std::string Narrow(const Text& text) {
  std::string narrow;
  for (char16_t c : text) {
    if (c == u'\0') {
      narrow += "\\0";
    } else if (c < 0x80) {
      narrow += static_cast<char>(c);
    } else {
      narrow += "\\u" + std::to_string(static_cast<unsigned>(c));
    }
  }
  return narrow;
}

inline std::string Flag(bool value) { return value ? "1" : "0"; }

}  // namespace quorvel::testing
