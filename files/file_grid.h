// The file grid's set-up and the row helpers its key handling uses.
#pragma once

#include <cstdint>
#include <optional>

#include "files/grid.h"

namespace quorvel::files {

// 70 % of the grid's width, rounded to the nearest integer with ties to
// even; nothing when the result does not fit in 32 bits.
std::optional<int32_t> PathColumnWidth(double grid_width);

// The header row "Ruta" | "Base Datos" alone, and the column widths.
void SetUpFileGrid(Grid& grid);

// Shows every cell of the row as selected.
void SelectWholeRow(Grid& grid, int32_t row);

}  // namespace quorvel::files
