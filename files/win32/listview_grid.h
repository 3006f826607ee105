// The file grid over an owner-data report ListView. The cells live here; the
// ListView only draws them, asking the owner window for each visible cell.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "files/grid.h"

namespace quorvel {

// Styles the ListView must be created with for ListViewGrid to drive it.
inline constexpr DWORD kListViewGridStyle =
    LVS_REPORT | LVS_OWNERDATA | LVS_NOSORTHEADER;

class ListViewGrid final : public Grid {
 public:
  ListViewGrid() = default;
  ~ListViewGrid() override;
  ListViewGrid(const ListViewGrid&) = delete;
  ListViewGrid& operator=(const ListViewGrid&) = delete;

  // list_view: a ListView created with kListViewGridStyle; width_twips: its
  // width as laid out; dpi_x: the screen's horizontal pixels per inch.
  void Attach(HWND list_view, int32_t width_twips, int dpi_x);
  HWND Handle() const { return list_view_; }

  // The owner window forwards LVN_GETDISPINFOW here.
  void FillDisplayInfo(NMLVDISPINFOW& info) const;
  // Rows added are shown once the message loop runs again, so that adding
  // thousands costs one ListView update; this shows them at once.
  void ShowAddedRows();

  int32_t RowCount() const override;
  void SetRowCount(int32_t count) override;
  int32_t ColumnCount() const override { return columns_; }
  void SetColumnCount(int32_t count) override;
  void SetFixedRowCount(int32_t count) override { fixed_rows_ = count; }
  void SetFixedColumnCount(int32_t count) override { fixed_columns_ = count; }
  Text CellText(int32_t row, int32_t column) const override;
  void SetCellText(int32_t row, int32_t column, const Text& text) override;
  void AddRow(const Text& item) override;
  void RemoveRow(int32_t row) override;
  int32_t CurrentRow() const override;
  void SelectRange(int32_t row1, int32_t column1, int32_t row2,
                   int32_t column2) override;
  void SetColumnWidth(int32_t column, int32_t width) override;
  int32_t Width() const override { return width_twips_; }
  void SetSelectionAlwaysVisible(bool visible) override;
  void SetEnabled(bool enabled) override;

  int32_t FixedRowCount() const { return fixed_rows_; }
  int32_t FixedColumnCount() const { return fixed_columns_; }

 private:
  bool ValidCell(int32_t row, int32_t column) const;
  static LRESULT CALLBACK ListViewProcedure(HWND window, UINT message,
                                            WPARAM wparam, LPARAM lparam);
  void Detach();
  // Tells the ListView the number of file rows without redrawing the rest.
  void SyncItemCount();
  // Drops selection and focus from items at or after first_gone.
  void ForgetStateFrom(int32_t first_gone);
  std::size_t CellIndex(int32_t row, int32_t column) const;

  HWND list_view_ = nullptr;
  int32_t width_twips_ = 0;
  int dpi_x_ = 96;
  int32_t columns_ = 0;
  int32_t file_rows_ = 0;
  // Items the ListView has been told about; below file_rows_ while added rows
  // wait to be shown.
  int32_t shown_rows_ = 0;
  bool show_posted_ = false;
  WNDPROC list_view_procedure_ = nullptr;
  int32_t fixed_rows_ = 1;
  int32_t fixed_columns_ = 0;
  // Row 0: header texts, one per column.
  std::vector<Text> header_;
  // File rows: row r (from 1) holds cells_[(r - 1) * columns_ + column].
  std::vector<Text> cells_;
};

// Twips to pixels at dpi pixels per inch, rounded to the nearest pixel.
int TwipsToPixels(int32_t twips, int dpi);

// The VB-style shift mask (1 Shift, 2 Ctrl, 4 Alt) from the key states.
int16_t ShiftMask(bool shift, bool control, bool alt);

}  // namespace quorvel
