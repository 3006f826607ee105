// Text and the pending-error record shared by every part of the form.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

// All text the program handles is UTF-16, as Windows hands it over.
using Text = std::u16string;

// The last failure of an operation: number 0 means none.
struct PendingError {
  int32_t number = 0;
  Text description;

  bool Failed() const { return number != 0; }
};

}  // namespace quorvel
