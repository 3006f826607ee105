#include "files/file_grid.h"

#include <cmath>
#include <limits>

namespace quorvel::files {

std::optional<int32_t> PathColumnWidth(double grid_width) {
  // nearbyint follows the default rounding mode: nearest, ties to even.
  const double width = std::nearbyint(grid_width * 0.7);
  if (!(width >= std::numeric_limits<int32_t>::min() &&
        width <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(width);
}

void SetUpFileGrid(Grid& grid) {
  grid.SetRowCount(1);
  grid.SetFixedRowCount(1);
  grid.SetColumnCount(2);
  grid.SetFixedColumnCount(0);
  grid.SetCellText(0, 0, u"Ruta");
  grid.SetCellText(0, 1, u"Base Datos");
  grid.SetColumnWidth(1, 100);
  grid.SetLastColumnFillsWidth(true);
  if (const auto width = PathColumnWidth(grid.Width())) {
    grid.SetColumnWidth(0, *width);
  }
}

void SelectWholeRow(Grid& grid, int32_t row) {
  grid.SelectRange(row, 0, row, grid.ColumnCount() - 1);
}

}  // namespace quorvel::files
