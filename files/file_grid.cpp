// The file grid's set-up and row removal with the Delete key.
#include "files/file_grid.h"

#include <cmath>
#include <limits>

#include "app/frm_adjuntar.h"

namespace quorvel {

std::optional<int32_t> PathColumnWidth(double grid_width) {
  // nearbyint follows the default rounding mode: nearest, ties to even.
  const double width = std::nearbyint(grid_width * 0.7);
  if (!(width >= std::numeric_limits<int32_t>::min() &&
        width <= std::numeric_limits<int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<int32_t>(width);
}

void FrmAdjuntar::SetUpFileGrid() {
  Grid& grid = controls_.vsFlexGrid1;
  grid.SetRowCount(1);
  grid.SetFixedRowCount(1);
  grid.SetColumnCount(2);
  grid.SetFixedColumnCount(0);
  grid.SetCellText(0, 0, u"Ruta");
  grid.SetCellText(0, 1, u"Base Datos");
  grid.SetColumnWidth(1, 100);
  grid.SetSelectionAlwaysVisible(true);
  if (const auto width = PathColumnWidth(grid.Width())) {
    grid.SetColumnWidth(0, *width);
  }
}

void FrmAdjuntar::vsFlexGrid1_KeyDown(int16_t& KeyCode, int16_t /*Shift*/) {
  Grid& grid = controls_.vsFlexGrid1;
  const bool file_row_current = grid.CurrentRow() > 0;
  const bool delete_pressed = KeyCode == kDeleteKeyCode;
  if (!(file_row_current && delete_pressed)) {
    return;
  }
  // A 32-bit row number reaches every row of a long list.
  const int32_t row = grid.CurrentRow();
  grid.SelectRange(row, 0, row, grid.ColumnCount() - 1);
  const MessageAnswer answer = controls_.messages.Show(
      u"Desea eliminar la línea seleccionada?", MessageStyle::kYesNoQuestion);
  if (answer == MessageAnswer::kYes) {
    grid.RemoveRow(row);
  }
}

}  // namespace quorvel
