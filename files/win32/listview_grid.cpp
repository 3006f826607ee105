#include "files/win32/listview_grid.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "common/win32/wide.h"

namespace quorvel {
namespace {

// A new column's width before the program sets one, as a grid would give it.
constexpr int32_t kDefaultColumnTwips = 960;

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return SendMessageW(window, message, wparam, lparam);
}

void SetItemState(HWND list_view, int index, UINT state, UINT mask) {
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  Send(list_view, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
       reinterpret_cast<LPARAM>(&item));
}

int NextItem(HWND list_view, int after, UINT flags) {
  return static_cast<int>(Send(list_view, LVM_GETNEXTITEM,
                               static_cast<WPARAM>(after),
                               static_cast<LPARAM>(flags)));
}

UINT ShowRowsMessage() {
  static const UINT message = RegisterWindowMessageW(L"QuorvelShowAddedRows");
  return message;
}

}  // namespace

int TwipsToPixels(int32_t twips, int dpi) { return MulDiv(twips, dpi, 1440); }

int16_t ShiftMask(bool shift, bool control, bool alt) {
  return static_cast<int16_t>((shift ? 1 : 0) | (control ? 2 : 0) |
                              (alt ? 4 : 0));
}

ListViewGrid::~ListViewGrid() { Detach(); }

void ListViewGrid::Detach() {
  if (list_view_ != nullptr && list_view_procedure_ != nullptr &&
      IsWindow(list_view_)) {
    SetWindowLongPtrW(list_view_, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(list_view_procedure_));
    SetWindowLongPtrW(list_view_, GWLP_USERDATA, 0);
  }
  list_view_procedure_ = nullptr;
  list_view_ = nullptr;
}

LRESULT CALLBACK ListViewGrid::ListViewProcedure(HWND window, UINT message,
                                                 WPARAM wparam, LPARAM lparam) {
  auto* grid =
      reinterpret_cast<ListViewGrid*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (grid == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  const WNDPROC original = grid->list_view_procedure_;
  if (message == ShowRowsMessage()) {
    grid->show_posted_ = false;
    grid->ShowAddedRows();
    return 0;
  }
  if (message == WM_NCDESTROY) grid->Detach();
  return CallWindowProcW(original, window, message, wparam, lparam);
}

void ListViewGrid::Attach(HWND list_view, int32_t width_twips, int dpi_x) {
  Detach();
  list_view_ = list_view;
  // The grid rides in the ListView's user data, which every message reads;
  // a window property would cost Wine a server round trip each time.
  SetWindowLongPtrW(list_view_, GWLP_USERDATA,
                    reinterpret_cast<LONG_PTR>(this));
  list_view_procedure_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      list_view_, GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(&ListViewGrid::ListViewProcedure)));
  show_posted_ = false;
  width_twips_ = width_twips;
  dpi_x_ = dpi_x;
  Send(list_view_, LVM_SETEXTENDEDLISTVIEWSTYLE,
       LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP |
           LVS_EX_LABELTIP,
       LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  header_.clear();
  cells_.clear();
  columns_ = 0;
  file_rows_ = 0;
  shown_rows_ = 0;
  SetColumnCount(2);
  SyncItemCount();
}

std::size_t ListViewGrid::CellIndex(int32_t row, int32_t column) const {
  return static_cast<std::size_t>(row - 1) *
             static_cast<std::size_t>(columns_) +
         static_cast<std::size_t>(column);
}

bool ListViewGrid::ValidCell(int32_t row, int32_t column) const {
  return row >= 0 && row <= file_rows_ && column >= 0 && column < columns_;
}

void ListViewGrid::FillDisplayInfo(NMLVDISPINFOW& info) const {
  if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr ||
      info.item.cchTextMax <= 0) {
    return;
  }
  const int32_t row = info.item.iItem + 1;
  const Text* text = nullptr;
  if (row >= 1 && ValidCell(row, info.item.iSubItem)) {
    text = &cells_[CellIndex(row, info.item.iSubItem)];
  }
  const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
  const std::size_t length = text == nullptr ? 0 : std::min(text->size(), room);
  if (length > 0) {
    std::copy_n(text->data(), length,
                reinterpret_cast<char16_t*>(info.item.pszText));
  }
  info.item.pszText[length] = L'\0';
}

int32_t ListViewGrid::RowCount() const { return file_rows_ + 1; }

void ListViewGrid::SetRowCount(int32_t count) {
  // The header row always stays.
  const int32_t rows = std::max(count, 1) - 1;
  if (rows < file_rows_) ForgetStateFrom(rows);
  file_rows_ = rows;
  cells_.resize(static_cast<std::size_t>(rows) *
                static_cast<std::size_t>(columns_));
  SyncItemCount();
}

void ListViewGrid::SetColumnCount(int32_t count) {
  if (count < 0 || count == columns_) return;
  std::vector<Text> reshaped(static_cast<std::size_t>(file_rows_) *
                             static_cast<std::size_t>(count));
  const int32_t kept = std::min(count, columns_);
  for (int32_t row = 1; row <= file_rows_; ++row) {
    for (int32_t column = 0; column < kept; ++column) {
      reshaped[static_cast<std::size_t>(row - 1) *
                   static_cast<std::size_t>(count) +
               static_cast<std::size_t>(column)] =
          std::move(cells_[CellIndex(row, column)]);
    }
  }
  cells_ = std::move(reshaped);
  header_.resize(static_cast<std::size_t>(count));

  // A report ListView keeps its column 0; a grid of no columns shows it empty.
  const int32_t shown = std::max(count, 1);
  const HWND header =
      reinterpret_cast<HWND>(Send(list_view_, LVM_GETHEADER, 0, 0));
  int32_t present = static_cast<int32_t>(Send(header, HDM_GETITEMCOUNT, 0, 0));
  for (; present > shown; --present) {
    Send(list_view_, LVM_DELETECOLUMN, static_cast<WPARAM>(present - 1), 0);
  }
  wchar_t empty[] = L"";
  for (; present < shown; ++present) {
    LVCOLUMNW column_info{};
    column_info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    column_info.fmt = LVCFMT_LEFT;
    column_info.cx = TwipsToPixels(kDefaultColumnTwips, dpi_x_);
    column_info.pszText = empty;
    column_info.iSubItem = present;
    Send(list_view_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(present),
         reinterpret_cast<LPARAM>(&column_info));
  }
  if (count == 0) {
    LVCOLUMNW column_info{};
    column_info.mask = LVCF_TEXT;
    column_info.pszText = empty;
    Send(list_view_, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column_info));
  }
  columns_ = count;
  InvalidateRect(list_view_, nullptr, TRUE);
}

Text ListViewGrid::CellText(int32_t row, int32_t column) const {
  if (!ValidCell(row, column)) return {};
  if (row == 0) return header_[static_cast<std::size_t>(column)];
  return cells_[CellIndex(row, column)];
}

void ListViewGrid::SetCellText(int32_t row, int32_t column, const Text& text) {
  if (!ValidCell(row, column)) return;
  if (row == 0) {
    header_[static_cast<std::size_t>(column)] = text;
    LVCOLUMNW column_info{};
    column_info.mask = LVCF_TEXT;
    column_info.pszText =
        const_cast<wchar_t*>(Wide(header_[static_cast<std::size_t>(column)]));
    Send(list_view_, LVM_SETCOLUMNW, static_cast<WPARAM>(column),
         reinterpret_cast<LPARAM>(&column_info));
    return;
  }
  cells_[CellIndex(row, column)] = text;
  // A row not shown yet is drawn when it appears.
  if (row - 1 < shown_rows_) {
    Send(list_view_, LVM_REDRAWITEMS, static_cast<WPARAM>(row - 1),
         static_cast<LPARAM>(row - 1));
  }
}

void ListViewGrid::AddRow(const Text& item) {
  cells_.resize(cells_.size() + static_cast<std::size_t>(columns_));
  ++file_rows_;
  // Like a grid's AddItem: tabs separate the new row's cells.
  std::size_t start = 0;
  for (int32_t column = 0; column < columns_ && start <= item.size();
       ++column) {
    const std::size_t tab = item.find(u'\t', start);
    const std::size_t end = tab == Text::npos ? item.size() : tab;
    cells_[CellIndex(file_rows_, column)] = item.substr(start, end - start);
    if (tab == Text::npos) break;
    start = tab + 1;
  }
  if (!show_posted_ && list_view_procedure_ != nullptr &&
      PostMessageW(list_view_, ShowRowsMessage(), 0, 0)) {
    show_posted_ = true;
  } else if (!show_posted_) {
    SyncItemCount();
  }
}

void ListViewGrid::ShowAddedRows() {
  if (shown_rows_ != file_rows_) SyncItemCount();
}

void ListViewGrid::RemoveRow(int32_t row) {
  if (row < 1 || row > file_rows_) return;
  ShowAddedRows();
  const bool was_current = CurrentRow() == row;
  const auto first =
      cells_.begin() + static_cast<std::ptrdiff_t>(CellIndex(row, 0));
  cells_.erase(first, first + columns_);
  --file_rows_;
  // On an owner-data list this moves the later items' selection and focus up.
  Send(list_view_, LVM_DELETEITEM, static_cast<WPARAM>(row - 1), 0);
  shown_rows_ = static_cast<int32_t>(Send(list_view_, LVM_GETITEMCOUNT, 0, 0));
  if (shown_rows_ != file_rows_) SyncItemCount();
  // The cursor stays at the same row number, so Delete can go on removing.
  if (was_current && file_rows_ > 0) {
    const int32_t next = std::min(row, file_rows_);
    SelectRange(next, 0, next, columns_ - 1);
  }
}

int32_t ListViewGrid::CurrentRow() const {
  const int focused = NextItem(list_view_, -1, LVNI_FOCUSED);
  if (focused < 0 || focused >= file_rows_) return 0;
  return focused + 1;
}

void ListViewGrid::SelectRange(int32_t row1, int32_t column1, int32_t row2,
                               int32_t column2) {
  static_cast<void>(column1);  // whole rows are always selected
  static_cast<void>(column2);
  if (row1 > row2) std::swap(row1, row2);
  const int32_t first = std::max(row1, 1);
  const int32_t last = std::min(row2, file_rows_);
  if (first > last) return;
  ShowAddedRows();
  SetItemState(list_view_, -1, 0, LVIS_SELECTED);
  for (int32_t row = first; row <= last; ++row) {
    SetItemState(list_view_, row - 1, LVIS_SELECTED, LVIS_SELECTED);
  }
  SetItemState(list_view_, first - 1, LVIS_FOCUSED, LVIS_FOCUSED);
  Send(list_view_, LVM_SETSELECTIONMARK, 0, first - 1);
  Send(list_view_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first - 1), FALSE);
}

void ListViewGrid::SetColumnWidth(int32_t column, int32_t width) {
  if (column < 0 || column >= columns_ || width < 0) return;
  Send(list_view_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
       MAKELPARAM(TwipsToPixels(width, dpi_x_), 0));
}

void ListViewGrid::SetSelectionAlwaysVisible(bool visible) {
  const LONG_PTR style = GetWindowLongPtrW(list_view_, GWL_STYLE);
  const LONG_PTR wanted =
      visible ? (style | LVS_SHOWSELALWAYS)
              : (style & ~static_cast<LONG_PTR>(LVS_SHOWSELALWAYS));
  if (wanted != style) {
    SetWindowLongPtrW(list_view_, GWL_STYLE, wanted);
    InvalidateRect(list_view_, nullptr, TRUE);
  }
}

void ListViewGrid::SetEnabled(bool enabled) {
  EnableWindow(list_view_, enabled ? TRUE : FALSE);
}

void ListViewGrid::SyncItemCount() {
  // Even a count that changes nothing makes the ListView (Wine's at least)
  // lay its header out again and repaint everything: only a change is sent.
  if (Send(list_view_, LVM_GETITEMCOUNT, 0, 0) != file_rows_) {
    // Growing only appends: nothing already drawn needs repainting.
    const LPARAM flags = shown_rows_ < file_rows_
                             ? (LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL)
                             : 0;
    Send(list_view_, LVM_SETITEMCOUNT, static_cast<WPARAM>(file_rows_), flags);
  }
  shown_rows_ = file_rows_;
}

void ListViewGrid::ForgetStateFrom(int32_t first_gone) {
  for (int item = NextItem(list_view_, first_gone - 1, LVNI_SELECTED);
       item >= 0; item = NextItem(list_view_, item, LVNI_SELECTED)) {
    SetItemState(list_view_, item, 0, LVIS_SELECTED);
  }
  const int focused = NextItem(list_view_, -1, LVNI_FOCUSED);
  if (focused >= first_gone) SetItemState(list_view_, focused, 0, LVIS_FOCUSED);
}

}  // namespace quorvel
