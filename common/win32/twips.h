// The layout's unit: twips, 1/1440 inch.
#pragma once

#include <cstdint>

#include "common/win32/windows_api.h"

namespace quorvel {

// Twips to pixels at dpi pixels per inch, rounded to the nearest pixel.
inline int TwipsToPixels(int32_t twips, int dpi) {
  return MulDiv(twips, dpi, 1440);
}

}  // namespace quorvel
