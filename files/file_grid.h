// The grid's set-up arithmetic, kept apart so it can be checked on its own.
#pragma once

#include <cstdint>
#include <optional>

namespace quorvel {

// 70 % of the grid's width, rounded to the nearest integer with ties to
// even; nothing when the result does not fit in 32 bits.
std::optional<int32_t> PathColumnWidth(double grid_width);

}  // namespace quorvel
