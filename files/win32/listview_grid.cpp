#include "files/win32/listview_grid.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "common/win32/twips.h"
#include "common/win32/wide.h"
#include "files/win32/row_mark_images.h"

namespace quorvel::files::win32 {
namespace {

// A column's width before the program sets one, as a grid would give it.
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

bool IsSelected(HWND list_view, int item) {
  return (Send(list_view, LVM_GETITEMSTATE, static_cast<WPARAM>(item),
               LVIS_SELECTED) &
          LVIS_SELECTED) != 0;
}

constexpr UINT_PTR kInputSubclass = 1;

bool IsClick(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

// What the ListView may move its focused item or its selection on.
bool MayMoveTheCursor(UINT message) {
  return IsClick(message) || message == WM_KEYDOWN || message == WM_CHAR ||
         message == WM_SETFOCUS;
}

}  // namespace

ListViewGrid::ListViewGrid(HWND list_view, int32_t width_twips, int dpi_x)
    : list_view_(list_view), width_twips_(width_twips), dpi_x_(dpi_x) {
  Send(list_view_, LVM_SETEXTENDEDLISTVIEWSTYLE,
       LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP |
           LVS_EX_LABELTIP,
       LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  wchar_t empty[] = L"";
  for (int32_t column = 0; column < kColumns; ++column) {
    LVCOLUMNW column_info{};
    column_info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    column_info.fmt = LVCFMT_LEFT;
    column_info.cx = TwipsToPixels(kDefaultColumnTwips, dpi_x_);
    column_info.pszText = empty;
    column_info.iSubItem = column;
    Send(list_view_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
         reinterpret_cast<LPARAM>(&column_info));
  }
  // The marks' room is there from the start, so that the rows keep their
  // height; the images are drawn when the first run marks a row. The list
  // view destroys its image list with itself.
  mark_size_ = GetSystemMetrics(SM_CXSMICON);
  if (HIMAGELIST marks = CreateRowMarkList(mark_size_)) {
    Send(list_view_, LVM_SETIMAGELIST, LVSIL_SMALL,
         reinterpret_cast<LPARAM>(marks));
  }
}

ListViewGrid::~ListViewGrid() {
  if (frame_timer_set_) KillTimer(list_view_, reinterpret_cast<UINT_PTR>(this));
  if (watching_input_ && IsWindow(list_view_)) {
    RemoveWindowSubclass(list_view_, &ListViewGrid::ListViewProcedure,
                         kInputSubclass);
  }
}

LRESULT CALLBACK ListViewGrid::ListViewProcedure(HWND window, UINT message,
                                                 WPARAM wparam, LPARAM lparam,
                                                 UINT_PTR subclass,
                                                 DWORD_PTR self) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, &ListViewGrid::ListViewProcedure, subclass);
    reinterpret_cast<ListViewGrid*>(self)->watching_input_ = false;
    return DefSubclassProc(window, message, wparam, lparam);
  }
  if (!MayMoveTheCursor(message)) {
    return DefSubclassProc(window, message, wparam, lparam);
  }
  const int focused_before =
      IsClick(message) ? NextItem(window, -1, LVNI_FOCUSED) : -1;
  const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
  // The window may have closed under the Delete key's question.
  if (IsWindow(window)) {
    reinterpret_cast<ListViewGrid*>(self)->KeepHighlightOnCursor(
        focused_before);
  }
  return result;
}

// Under Wine every message through a subclass costs a look-up of a window
// property on the server: it comes with the first row, which is when keys
// and clicks can first part the cursor and the highlight.
void ListViewGrid::WatchInput() {
  if (watching_input_) return;
  watching_input_ =
      SetWindowSubclass(list_view_, &ListViewGrid::ListViewProcedure,
                        kInputSubclass,
                        reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

// The ListView lets its focus and its selection part: Ctrl with the arrows
// moves the focus alone, Ctrl+click toggles the selection, Shift selects a
// range and a click on empty space clears the selection but keeps the
// focus. Undone here after each, whichever of them this ListView does.
void ListViewGrid::KeepHighlightOnCursor(int focused_before_click) {
  const int items = static_cast<int>(Send(list_view_, LVM_GETITEMCOUNT, 0, 0));
  int focused = NextItem(list_view_, -1, LVNI_FOCUSED);
  if (focused < 0 && focused_before_click >= 0 &&
      focused_before_click < items) {
    focused = focused_before_click;
    SetItemState(list_view_, focused, LVIS_FOCUSED, LVIS_FOCUSED);
  }
  const auto selected =
      static_cast<int>(Send(list_view_, LVM_GETSELECTEDCOUNT, 0, 0));
  const bool current_alone =
      focused < 0 ? selected == 0
                  : selected == 1 && IsSelected(list_view_, focused);
  if (current_alone) return;
  SetItemState(list_view_, -1, 0, LVIS_SELECTED);
  if (focused < 0) return;
  SetItemState(list_view_, focused, LVIS_SELECTED, LVIS_SELECTED);
  Send(list_view_, LVM_SETSELECTIONMARK, 0, focused);
}

LRESULT ListViewGrid::CustomDraw(NMLVCUSTOMDRAW& draw) const {
  const DWORD stage = draw.nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT) {
    return Send(list_view_, LVM_GETSELECTEDCOUNT, 0, 0) > 0
               ? CDRF_NOTIFYITEMDRAW
               : CDRF_DODEFAULT;
  }
  if (stage != CDDS_ITEMPREPAINT &&
      stage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
    return CDRF_DODEFAULT;
  }
  // The ListView's own state: under LVS_SHOWSELALWAYS, Windows' comctl32
  // marks every item CDIS_SELECTED.
  if (!IsSelected(list_view_, static_cast<int>(draw.nmcd.dwItemSpec))) {
    return CDRF_DODEFAULT;
  }
  draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
  // The text's background starts after the mark's room: that room too, under
  // the mark, so the whole row stands out.
  if ((stage & CDDS_SUBITEM) == 0) {
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    RECT label{LVIR_LABEL, 0, 0, 0};
    const WPARAM item = static_cast<WPARAM>(draw.nmcd.dwItemSpec);
    if (Send(list_view_, LVM_GETITEMRECT, item,
             reinterpret_cast<LPARAM>(&bounds)) != 0 &&
        Send(list_view_, LVM_GETITEMRECT, item,
             reinterpret_cast<LPARAM>(&label)) != 0) {
      const RECT room{bounds.left, bounds.top, label.left, bounds.bottom};
      FillRect(draw.nmcd.hdc, &room, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
  }
  // Marked selected, the item would get the ListView's own selection
  // colours over these: the pale ones of a list without the focus.
  draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  // Each cell again, for a comctl32 that takes a cell's colours afresh.
  return (stage & CDDS_SUBITEM) != 0 ? CDRF_NEWFONT
                                     : CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
}

bool ListViewGrid::ValidCell(int32_t row, int32_t column) const {
  return row >= 0 && row <= FileRows() && column >= 0 && column < kColumns;
}

void ListViewGrid::FillDisplayInfo(NMLVDISPINFOW& info) const {
  const int32_t row = info.item.iItem + 1;
  // A row without a mark must say so: image 0 is "attached".
  if ((info.item.mask & LVIF_IMAGE) != 0 && info.item.iSubItem == 0) {
    switch (marks_.Of(row)) {
      case RowMark::kAttached:
        info.item.iImage = kAttachedImage;
        break;
      case RowMark::kFailed:
        info.item.iImage = kFailedImage;
        break;
      case RowMark::kNone:
        info.item.iImage = I_IMAGENONE;
        break;
    }
  }
  if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr ||
      info.item.cchTextMax <= 0) {
    return;
  }
  const Text* text = nullptr;
  if (row >= 1 && ValidCell(row, info.item.iSubItem)) {
    text = &rows_[static_cast<std::size_t>(row - 1)]
                 [static_cast<std::size_t>(info.item.iSubItem)];
  }
  const std::size_t room = static_cast<std::size_t>(info.item.cchTextMax) - 1;
  const std::size_t length = text == nullptr ? 0 : std::min(text->size(), room);
  if (length > 0) {
    std::copy_n(text->data(), length,
                reinterpret_cast<char16_t*>(info.item.pszText));
  }
  info.item.pszText[length] = L'\0';
}

int32_t ListViewGrid::RowCount() const { return FileRows() + 1; }

void ListViewGrid::SetRowCount(int32_t count) {
  // The header row always stays.
  const int32_t rows = std::max(count, 1) - 1;
  if (rows < FileRows()) ForgetStateFrom(rows);
  rows_.resize(static_cast<std::size_t>(rows));
  marks_.KeepFirst(rows);
  SyncItemCount();
}

Text ListViewGrid::CellText(int32_t row, int32_t column) const {
  if (!ValidCell(row, column)) return {};
  const Row& cells =
      row == 0 ? header_ : rows_[static_cast<std::size_t>(row - 1)];
  return cells[static_cast<std::size_t>(column)];
}

void ListViewGrid::SetCellText(int32_t row, int32_t column, const Text& text) {
  if (!ValidCell(row, column)) return;
  if (row == 0) {
    Text& header = header_[static_cast<std::size_t>(column)];
    header = text;
    LVCOLUMNW column_info{};
    column_info.mask = LVCF_TEXT;
    column_info.pszText = const_cast<wchar_t*>(Wide(header));
    Send(list_view_, LVM_SETCOLUMNW, static_cast<WPARAM>(column),
         reinterpret_cast<LPARAM>(&column_info));
    return;
  }
  rows_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column)] =
      text;
  // A row not shown yet is drawn when it appears.
  if (row - 1 < shown_rows_) {
    Send(list_view_, LVM_REDRAWITEMS, static_cast<WPARAM>(row - 1),
         static_cast<LPARAM>(row - 1));
  }
}

void ListViewGrid::AddRow(const Text& item) { rows_.push_back(Row{item}); }

void ListViewGrid::ShowAddedRows() {
  if (shown_rows_ != FileRows()) SyncItemCount();
}

void ListViewGrid::RemoveRow(int32_t row) {
  if (row < 1 || row > FileRows()) return;
  ShowAddedRows();
  shown_page_ = {};
  const bool was_current = CurrentRow() == row;
  rows_.erase(rows_.begin() + (row - 1));
  marks_.Removed(row);
  // On an owner-data list this moves the later items' selection and focus up.
  Send(list_view_, LVM_DELETEITEM, static_cast<WPARAM>(row - 1), 0);
  shown_rows_ = static_cast<int32_t>(Send(list_view_, LVM_GETITEMCOUNT, 0, 0));
  if (shown_rows_ != FileRows()) SyncItemCount();
  FitLastColumn();
  // The cursor stays at the same row number, so Delete can go on removing.
  if (was_current && FileRows() > 0) {
    const int32_t next = std::min(row, FileRows());
    SelectRange(next, 0, next, kColumns - 1);
  }
}

int32_t ListViewGrid::CurrentRow() const {
  const int focused = NextItem(list_view_, -1, LVNI_FOCUSED);
  if (focused < 0 || focused >= FileRows()) return 0;
  return focused + 1;
}

void ListViewGrid::SelectRange(int32_t row1, int32_t column1, int32_t row2,
                               int32_t column2) {
  static_cast<void>(column1);  // whole rows are always selected
  static_cast<void>(column2);
  if (row1 > row2) std::swap(row1, row2);
  const int32_t first = std::max(row1, 1);
  const int32_t last = std::min(row2, FileRows());
  if (first > last) return;
  ShowAddedRows();
  shown_page_ = {};
  SetItemState(list_view_, -1, 0, LVIS_SELECTED);
  for (int32_t row = first; row <= last; ++row) {
    SetItemState(list_view_, row - 1, LVIS_SELECTED, LVIS_SELECTED);
  }
  SetItemState(list_view_, first - 1, LVIS_FOCUSED, LVIS_FOCUSED);
  Send(list_view_, LVM_SETSELECTIONMARK, 0, first - 1);
  Send(list_view_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first - 1), FALSE);
}

void ListViewGrid::ShowRow(int32_t row) {
  if (row < 1 || row > FileRows()) return;
  ShowAddedRows();
  if (row != shown_page_.row + 1) ReadShownPage();
  shown_page_.row = row;
  const int item = row - 1;
  if (item >= shown_page_.top && item < shown_page_.top + shown_page_.count) {
    return;
  }
  row_to_show_ = row;
  NextFrame();
}

// A scroll or a redraw paints the list at once. A screen shows no more than
// a frame at a time, so a run of quick rows scrolls and draws its marks once
// a frame, as far as it has got by then; the waiting window's loop runs the
// timer.
void ListViewGrid::NextFrame() {
  if (frame_timer_set_) return;
  const uint64_t since = GetTickCount64() - last_frame_ms_;
  if (since < kFrameMs) {
    frame_timer_set_ =
        SetTimer(list_view_, reinterpret_cast<UINT_PTR>(this),
                 static_cast<UINT>(kFrameMs - since), &FrameLater) != 0;
    if (frame_timer_set_) return;
  }
  DrawFrame();
}

void CALLBACK ListViewGrid::FrameLater(HWND list_view, UINT, UINT_PTR timer,
                                       DWORD) {
  KillTimer(list_view, timer);
  auto* grid = reinterpret_cast<ListViewGrid*>(timer);
  grid->frame_timer_set_ = false;
  grid->DrawFrame();
}

void ListViewGrid::DrawFrame() {
  const int32_t row = std::exchange(row_to_show_, 0);
  if (row >= 1 && row <= FileRows()) {
    ScrollTo(row);  // which reads the page it leaves
  } else {
    ReadShownPage();
  }
  // Marks out of view are drawn when their rows come in.
  const int first = std::max(marked_.first, shown_page_.top);
  const int last = std::min(
      {marked_.last, shown_page_.top + shown_page_.count, shown_rows_ - 1});
  if (first <= last) {
    Send(list_view_, LVM_REDRAWITEMS, static_cast<WPARAM>(first),
         static_cast<LPARAM>(last));
  }
  marked_ = {};
  last_frame_ms_ = GetTickCount64();
}

// A row below the view comes in at its top, with the rows after it: a run
// down the list scrolls once a page at most, not once a row.
void ListViewGrid::ScrollTo(int32_t row) {
  const int item = row - 1;
  ReadShownPage();
  if (item >= shown_page_.top && item < shown_page_.top + shown_page_.count) {
    return;
  }
  if (item > shown_page_.top) {
    const int last_in_page = std::min(item + shown_page_.count, FileRows()) - 1;
    Send(list_view_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(last_in_page),
         FALSE);
  }
  Send(list_view_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
  ReadShownPage();
}

void ListViewGrid::ReadShownPage() {
  shown_page_.top = static_cast<int>(Send(list_view_, LVM_GETTOPINDEX, 0, 0));
  shown_page_.count = std::max(
      1, static_cast<int>(Send(list_view_, LVM_GETCOUNTPERPAGE, 0, 0)));
}

void ListViewGrid::SetRowMark(int32_t row, RowMark mark) {
  if (row < 1 || row > FileRows()) return;
  if (!mark_images_drawn_ && mark != RowMark::kNone) {
    const auto list = reinterpret_cast<HIMAGELIST>(
        Send(list_view_, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    mark_images_drawn_ = list != nullptr && AddRowMarkImages(list, mark_size_);
  }
  marks_.Set(row, mark);
  if (row - 1 >= shown_rows_) return;  // drawn when it is shown
  marked_.first = std::min(marked_.first, row - 1);
  marked_.last = std::max(marked_.last, row - 1);
  NextFrame();
}

void ListViewGrid::ClearRowMarks() {
  marks_.Clear();
  InvalidateRect(list_view_, nullptr, FALSE);
}

void ListViewGrid::SetColumnWidth(int32_t column, int32_t width) {
  if (column < 0 || column >= kColumns || width < 0) return;
  Send(list_view_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
       MAKELPARAM(TwipsToPixels(width, dpi_x_), 0));
  FitLastColumn();
}

void ListViewGrid::SetLastColumnFillsWidth(bool fills) {
  last_column_fills_ = fills;
  FitLastColumn();
}

void ListViewGrid::SetEnabled(bool enabled) {
  EnableWindow(list_view_, enabled ? TRUE : FALSE);
}

void ListViewGrid::SyncItemCount() {
  // Even a count that changes nothing makes the ListView (Wine's at least)
  // lay its header out again and repaint everything: only a change is sent.
  if (Send(list_view_, LVM_GETITEMCOUNT, 0, 0) != FileRows()) {
    // Growing only appends: nothing already drawn needs repainting.
    const LPARAM flags = shown_rows_ < FileRows()
                             ? (LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL)
                             : 0;
    Send(list_view_, LVM_SETITEMCOUNT, static_cast<WPARAM>(FileRows()), flags);
    if (FileRows() > 0) WatchInput();
    shown_page_ = {};
    // A scroll bar may have come or gone with the rows.
    FitLastColumn();
  }
  shown_rows_ = FileRows();
}

void ListViewGrid::FitLastColumn() {
  if (!last_column_fills_) return;
  // On the last column this means: the client width the others leave.
  Send(list_view_, LVM_SETCOLUMNWIDTH, kColumns - 1, LVSCW_AUTOSIZE_USEHEADER);
}

void ListViewGrid::ForgetStateFrom(int32_t first_gone) {
  for (int item = NextItem(list_view_, first_gone - 1, LVNI_SELECTED);
       item >= 0; item = NextItem(list_view_, item, LVNI_SELECTED)) {
    SetItemState(list_view_, item, 0, LVIS_SELECTED);
  }
  const int focused = NextItem(list_view_, -1, LVNI_FOCUSED);
  if (focused >= first_gone) SetItemState(list_view_, focused, 0, LVIS_FOCUSED);
}

}  // namespace quorvel::files::win32
