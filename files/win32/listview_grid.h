// The file grid over an owner-data report ListView. The cells live here; the
// ListView only draws them, asking the owner window for each visible cell.
#pragma once

#include "common/win32/windows_api.h"
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "files/grid.h"

namespace quorvel::files::win32 {

// Styles the ListView must be created with for ListViewGrid to drive it. The
// chosen row stays highlighted while another control has the focus, as the
// row the Delete question is about must.
inline constexpr DWORD kListViewGridStyle =
    LVS_REPORT | LVS_OWNERDATA | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS;

// Always the two columns the set-up asks for, path and database name: the
// column and fixed counts the set-up writes are accepted as they are.
//
// As in a grid, the highlighted row is the current row (the ListView's
// focused item), or none when no row is current: after every key and click
// the ListView has handled, whatever it made of Ctrl, Shift or a click on
// empty space, only the current row stays selected. A click below the rows
// keeps the current row.
class ListViewGrid final : public Grid {
 public:
  // list_view: a ListView created with kListViewGridStyle; width_twips: its
  // width as laid out; dpi_x: the screen's horizontal pixels per inch.
  ListViewGrid(HWND list_view, int32_t width_twips, int dpi_x);
  ~ListViewGrid() override;
  ListViewGrid(const ListViewGrid&) = delete;
  ListViewGrid& operator=(const ListViewGrid&) = delete;

  HWND Handle() const { return list_view_; }

  // The owner window forwards LVN_GETDISPINFOW here.
  void FillDisplayInfo(NMLVDISPINFOW& info) const;
  // The owner window forwards the ListView's NM_CUSTOMDRAW here and returns
  // what this returns. The selected row is drawn in the highlight colours
  // even while the focus is elsewhere, as under a box asking about it.
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) const;
  // Added rows are only stored, so that adding thousands costs one ListView
  // update; the view calls this once the handler that added them returns.
  void ShowAddedRows();

  int32_t RowCount() const override;
  void SetRowCount(int32_t count) override;
  int32_t ColumnCount() const override { return kColumns; }
  void SetColumnCount(int32_t) override {}
  void SetFixedRowCount(int32_t) override {}
  void SetFixedColumnCount(int32_t) override {}
  Text CellText(int32_t row, int32_t column) const override;
  void SetCellText(int32_t row, int32_t column, const Text& text) override;
  void AddRow(const Text& item) override;
  void RemoveRow(int32_t row) override;
  int32_t CurrentRow() const override;
  void SelectRange(int32_t row1, int32_t column1, int32_t row2,
                   int32_t column2) override;
  void SetColumnWidth(int32_t column, int32_t width) override;
  int32_t Width() const override { return width_twips_; }
  void SetLastColumnFillsWidth(bool fills) override;
  void ShowRow(int32_t row) override;
  void SetRowMark(int32_t row, RowMark mark) override;
  void ClearRowMarks() override;
  void SetEnabled(bool enabled) override;

 private:
  static constexpr int32_t kColumns = 2;
  using Row = std::array<Text, kColumns>;

  static LRESULT CALLBACK ListViewProcedure(HWND window, UINT message,
                                            WPARAM wparam, LPARAM lparam,
                                            UINT_PTR subclass, DWORD_PTR self);
  // From the first row on, sees the keys and clicks the ListView takes.
  void WatchInput();
  // Selects the current row alone, after the ListView has taken a key or a
  // click. A click that left no row current gives back the one before.
  void KeepHighlightOnCursor(int focused_before_click);
  bool ValidCell(int32_t row, int32_t column) const;
  // Tells the ListView the number of file rows without redrawing the rest.
  void SyncItemCount();
  // The last column takes what the others leave of the client width, which
  // a vertical scroll bar coming or going changes.
  void FitLastColumn();
  // Drops selection and focus from items at or after first_gone.
  void ForgetStateFrom(int32_t first_gone);
  int32_t FileRows() const { return static_cast<int32_t>(rows_.size()); }
  // Asks the ListView which items it shows now.
  void ReadShownPage();
  // Scrolls the row into view now.
  void ScrollTo(int32_t row);
  // Scrolls and draws what the run asked for now, or at the next frame when
  // the last was less than a frame ago.
  void NextFrame();
  void DrawFrame();
  static void CALLBACK FrameLater(HWND list_view, UINT message, UINT_PTR timer,
                                  DWORD time);
  // A frame of the screen, the least time between two scrolls or two mark
  // redraws of a run.
  static constexpr uint64_t kFrameMs = 16;

  HWND list_view_;
  int32_t width_twips_;
  int dpi_x_;
  bool last_column_fills_ = false;
  bool watching_input_ = false;
  // Items the ListView has been told about; below the file rows while added
  // rows wait to be shown.
  int32_t shown_rows_ = 0;
  // Where ShowRow last left the view. A run asks for one row after another
  // while the window takes no input, so the next row needs no question to
  // the ListView until it lies past the page; anything else that may scroll
  // forgets it (row 0).
  struct ShownPage {
    int32_t row = 0;
    int top = 0;
    int count = 0;
  };
  ShownPage shown_page_;
  // The row ShowRow asked for last, which a scroll put off until the next
  // frame brings into view.
  int32_t row_to_show_ = 0;
  // Items whose marks changed since the last frame, first to last.
  struct ItemRange {
    int first = std::numeric_limits<int>::max();
    int last = -1;
  };
  ItemRange marked_;
  bool frame_timer_set_ = false;
  uint64_t last_frame_ms_ = 0;
  Row header_;
  // File row r (from 1) is rows_[r - 1].
  std::vector<Row> rows_;
  RowMarks marks_;
  int mark_size_ = 16;  // the system's small-icon size
  bool mark_images_drawn_ = false;
};

}  // namespace quorvel::files::win32
