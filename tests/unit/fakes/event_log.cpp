#include "fakes/event_log.h"

namespace quorvel::testing {

std::string Narrow(const Text& text) {
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

}  // namespace quorvel::testing
