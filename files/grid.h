// The file grid: a table of text cells whose row 0 is the header row.
#pragma once

#include <cstdint>

#include "common/controls.h"
#include "files/row_marks.h"

namespace quorvel::files {

class Grid : public EnabledFlag {
 public:
  // Rows including the header row.
  virtual int32_t RowCount() const = 0;
  // The program only ever writes 1: every file row goes, the header stays.
  virtual void SetRowCount(int32_t count) = 0;
  virtual int32_t ColumnCount() const = 0;
  virtual void SetColumnCount(int32_t count) = 0;
  virtual void SetFixedRowCount(int32_t count) = 0;
  virtual void SetFixedColumnCount(int32_t count) = 0;
  virtual Text CellText(int32_t row, int32_t column) const = 0;
  virtual void SetCellText(int32_t row, int32_t column, const Text& text) = 0;
  // Appends one row with empty cells after the last row.
  virtual void AddRow(const Text& item) = 0;
  // Removes a row; the rows after it move up by one.
  virtual void RemoveRow(int32_t row) = 0;
  // The row holding the cursor; below 1 when no file row is current.
  virtual int32_t CurrentRow() const = 0;
  virtual void SelectRange(int32_t row1, int32_t column1, int32_t row2,
                           int32_t column2) = 0;
  // Widths are in twips, the unit of Width().
  virtual void SetColumnWidth(int32_t column, int32_t width) = 0;
  virtual int32_t Width() const = 0;
  // The last column takes the rest of the grid's width, whatever the other
  // columns and a scroll bar leave, so every database name shows whole.
  virtual void SetLastColumnFillsWidth(bool fills) = 0;
  // Scrolls the row into view; the cursor and the selection stay.
  virtual void ShowRow(int32_t row) = 0;
  // A mark drawn beside the row's path; it goes with the row.
  virtual void SetRowMark(int32_t row, RowMark mark) = 0;
  virtual void ClearRowMarks() = 0;
};

}  // namespace quorvel::files
