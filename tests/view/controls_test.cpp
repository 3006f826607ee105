// The Win32 adapters on real controls: the grid, the combo and the window's
// own adapters; then the main window in this process, on what the
// end-to-end suite cannot see from outside: the font object and where the
// focus goes after a click. The test prefix registers no SQL Server, so the
// load ends with no server.
#include "common/win32/windows_api.h"
// The common controls header needs the base types above.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/win32/main_window.h"
#include "app/win32/win32_controls.h"
#include "files/win32/listview_grid.h"
#include "tests/e2e/pictures.h"
#include "tests/view/test_window.h"

namespace quorvel::app::win32::testing {
namespace {

class ListViewGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(list_view_, nullptr);
    host_.ServeGrid(&grid_);
    grid_.SetCellText(0, 0, u"Ruta");
    grid_.SetCellText(0, 1, u"Base Datos");
  }

  // Appends file rows "path<n>" / "db<n>" for n = 1..count.
  void AddFiles(int count) {
    for (int n = 1; n <= count; ++n) {
      grid_.AddRow(u"");
      const std::u16string number = e2e::FromUtf8(std::to_string(n));
      grid_.SetCellText(grid_.RowCount() - 1, 0, u"path" + number);
      grid_.SetCellText(grid_.RowCount() - 1, 1, u"db" + number);
    }
    grid_.ShowAddedRows();
  }

  // Where the ListView shows a file row; 40 pixels below the last for the
  // row after it.
  POINT InRow(int32_t row) const {
    const int32_t shown = std::min(row, grid_.RowCount() - 1);
    const RECT item = e2e::ListItemRect(list_view_, shown - 1);
    return {item.left + 20, (item.top + item.bottom) / 2 + (row - shown) * 40};
  }

  // A key stroke, or a left click on a row, sent to the ListView with the
  // modifiers in the thread's keyboard state, where it looks for them.
  void Input(UINT down, WPARAM wparam, LPARAM lparam, BYTE held = 0) {
    BYTE saved[256] = {};
    GetKeyboardState(saved);
    std::vector<BYTE> keys(std::begin(saved), std::end(saved));
    if (held != 0) keys[held] |= 0x80;
    SetKeyboardState(keys.data());
    const bool click = down == WM_LBUTTONDOWN;
    const WPARAM mouse_keys =
        held == VK_CONTROL ? MK_CONTROL : (held == VK_SHIFT ? MK_SHIFT : 0);
    SendMessageW(list_view_, down, wparam | (click ? mouse_keys : 0), lparam);
    SendMessageW(list_view_, click ? WM_LBUTTONUP : WM_KEYUP,
                 click ? mouse_keys : wparam, lparam);
    SetKeyboardState(saved);
  }
  void Key(WPARAM key, BYTE held = 0) { Input(WM_KEYDOWN, key, 1, held); }
  void Click(int32_t row, BYTE held = 0) {
    const POINT at = InRow(row);
    Input(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y), held);
  }
  std::wstring Item(int item, int column) const {
    return e2e::ListCell(list_view_, item, column);
  }
  auto Selected() const { return e2e::ListSelectedRows(list_view_); }
  // The one highlighted row, 0 for none, or minus the count of several.
  int32_t Highlighted() const {
    const std::vector<int> items = Selected();
    return items.size() == 1 ? items.front() + 1
                             : -static_cast<int32_t>(items.size());
  }

  // The middle line of a row as the ListView paints it.
  std::vector<COLORREF> PaintedRow(int32_t row) const {
    const SIZE size = e2e::ClientSize(list_view_);
    const e2e::Picture painted =
        e2e::PaintedPixels(size.cx, size.cy, [&](HDC dc) {
          SendMessageW(list_view_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                       PRF_CLIENT | PRF_ERASEBKGND);
        });
    std::vector<COLORREF> pixels;
    for (int x = 0; x < size.cx; ++x) {
      pixels.push_back(painted.Colour(x, InRow(row).y));
    }
    return pixels;
  }

  TestWindow host_;
  HWND list_view_ =
      host_.AddChild(WC_LISTVIEWW, kListViewGridStyle, 5, 468, 229);
  ListViewGrid grid_{list_view_, 7020, ScreenDpi(LOGPIXELSX)};
};

TEST_F(ListViewGridTest, HeaderRowIsTheListViewsColumnHeaders) {
  EXPECT_EQ(grid_.RowCount(), 1);
  EXPECT_EQ(grid_.ColumnCount(), 2);
  EXPECT_EQ(grid_.CellText(0, 0), u"Ruta");
  EXPECT_EQ(grid_.CellText(0, 1), u"Base Datos");
  EXPECT_EQ(e2e::HeaderTexts(list_view_),
            (std::vector<std::wstring>{L"Ruta", L"Base Datos"}));
  EXPECT_EQ(ListView_GetItemCount(list_view_), 0);
}

TEST_F(ListViewGridTest, FileRowsReachTheListViewThroughDisplayInfo) {
  AddFiles(3);
  EXPECT_EQ(grid_.RowCount(), 4);
  EXPECT_EQ(ListView_GetItemCount(list_view_), 3);
  for (int row = 1; row <= 3; ++row) {
    EXPECT_EQ(Item(row - 1, 0), L"path" + std::to_wstring(row));
    EXPECT_EQ(Item(row - 1, 1), L"db" + std::to_wstring(row));
  }
  // A new row is the last one, with empty cells.
  grid_.AddRow(u"");
  grid_.ShowAddedRows();
  EXPECT_EQ(grid_.CellText(4, 0), u"");
  EXPECT_EQ(Item(3, 1), L"");
  // Cells outside the grid read empty and ignore writes.
  grid_.SetCellText(9, 0, u"x");
  grid_.SetCellText(1, 2, u"x");
  grid_.SetCellText(-1, 0, u"x");
  EXPECT_EQ(grid_.CellText(9, 0), u"");
  EXPECT_EQ(grid_.CellText(1, -1), u"");
  EXPECT_EQ(grid_.RowCount(), 5);
}

TEST_F(ListViewGridTest, AddedRowsAppearWhenShown) {
  grid_.AddRow(u"");
  grid_.AddRow(u"");
  grid_.SetCellText(2, 0, u"second");
  EXPECT_EQ(grid_.RowCount(), 3);  // the grid counts them at once
  EXPECT_EQ(ListView_GetItemCount(list_view_), 0);
  grid_.ShowAddedRows();
  EXPECT_EQ(ListView_GetItemCount(list_view_), 2);
  EXPECT_EQ(Item(1, 0), L"second");
  // Rows not shown yet can be selected and removed at once.
  grid_.AddRow(u"");
  grid_.SetCellText(3, 0, u"third");
  grid_.SelectRange(3, 0, 3, 1);
  EXPECT_EQ(grid_.CurrentRow(), 3);
  grid_.RemoveRow(2);
  EXPECT_EQ(ListView_GetItemCount(list_view_), 2);
  EXPECT_EQ(Item(1, 0), L"third");
  EXPECT_EQ(grid_.CurrentRow(), 2);

  grid_.AddRow(u"");
  grid_.ShowAddedRows();
  EXPECT_EQ(ListView_GetItemCount(list_view_), 3);
}

TEST_F(ListViewGridTest, RemoveRowMovesLaterRowsUpWithTheirSelection) {
  AddFiles(4);
  grid_.SelectRange(3, 0, 3, 1);
  ASSERT_EQ(grid_.CurrentRow(), 3);

  grid_.RemoveRow(2);
  EXPECT_EQ(grid_.RowCount(), 4);
  EXPECT_EQ(ListView_GetItemCount(list_view_), 3);
  EXPECT_EQ(Item(1, 0), L"path3");
  EXPECT_EQ(Item(2, 0), L"path4");
  // The cursor stays on the same file, now one row higher.
  EXPECT_EQ(grid_.CurrentRow(), 2);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  // Removing the current row makes the row taking its place current.
  grid_.RemoveRow(grid_.CurrentRow());
  EXPECT_EQ(grid_.RowCount(), 3);
  EXPECT_EQ(grid_.CellText(2, 0), u"path4");
  EXPECT_EQ(grid_.CurrentRow(), 2);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  // ... or the last row, when the last row went.
  grid_.RemoveRow(2);
  EXPECT_EQ(grid_.CurrentRow(), 1);
  EXPECT_EQ(Selected(), std::vector<int>{0});
  grid_.RemoveRow(1);
  EXPECT_EQ(grid_.CurrentRow(), 0);
  EXPECT_TRUE(Selected().empty());
  AddFiles(3);
  // The header row and rows past the end are never removed.
  grid_.RemoveRow(0);
  grid_.RemoveRow(4);
  grid_.RemoveRow(-5);
  EXPECT_EQ(grid_.RowCount(), 4);
  EXPECT_EQ(grid_.CellText(0, 0), u"Ruta");
}

TEST_F(ListViewGridTest, RowCountOneDropsEveryFileRowAndItsState) {
  AddFiles(3);
  grid_.SelectRange(1, 0, 1, 1);
  grid_.SetRowCount(1);
  EXPECT_EQ(grid_.RowCount(), 1);
  EXPECT_EQ(ListView_GetItemCount(list_view_), 0);
  EXPECT_EQ(grid_.CurrentRow(), 0);
  EXPECT_EQ(grid_.CellText(0, 1), u"Base Datos");
  EXPECT_EQ(e2e::HeaderTexts(list_view_),
            (std::vector<std::wstring>{L"Ruta", L"Base Datos"}));
  // Rows added afterwards are new files: neither current nor selected.
  AddFiles(2);
  EXPECT_EQ(grid_.CurrentRow(), 0);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(grid_.CellText(1, 0), u"path1");

  grid_.SetRowCount(0);  // the header row stays whatever is asked
  EXPECT_EQ(grid_.RowCount(), 1);
}

TEST_F(ListViewGridTest, SelectRangeSelectsOnlyThatRowAndMakesItCurrent) {
  AddFiles(5);
  grid_.SelectRange(1, 0, 1, 1);
  grid_.SelectRange(4, 0, 4, grid_.ColumnCount() - 1);
  EXPECT_EQ(Selected(), std::vector<int>{3});
  EXPECT_EQ(ListView_GetNextItem(list_view_, -1, LVNI_FOCUSED), 3);
  EXPECT_EQ(grid_.CurrentRow(), 4);

  grid_.SelectRange(2, 0, 3, 1);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 2}));
  EXPECT_EQ(grid_.CurrentRow(), 2);
  // Nothing but the header, or nothing at all: the selection stays.
  grid_.SelectRange(0, 0, 0, 1);
  grid_.SelectRange(7, 0, 9, 1);
  EXPECT_EQ(Selected(), (std::vector<int>{1, 2}));
}

TEST_F(ListViewGridTest, WhateverMovesTheCursorTakesTheHighlightAlong) {
  AddFiles(4);
  Click(3);
  ASSERT_EQ(Highlighted(), 3);
  // Keys with Ctrl or Shift: one row highlighted, the current one.
  Key(VK_UP, VK_CONTROL);
  EXPECT_EQ(grid_.CurrentRow(), 2);
  EXPECT_EQ(Highlighted(), 2);
  Key(VK_DOWN, VK_SHIFT);
  Key(VK_SPACE, VK_CONTROL);  // would toggle the highlight off
  EXPECT_EQ(grid_.CurrentRow(), 3);
  EXPECT_EQ(Highlighted(), 3);
  // Below the rows: the current row stays, highlighted.
  Click(5);
  EXPECT_EQ(grid_.CurrentRow(), 3);
  EXPECT_EQ(Highlighted(), 3);
  // Ctrl+click on the current row keeps it; Ctrl+ or Shift+click on
  // another moves there alone.
  Click(3, VK_CONTROL);
  EXPECT_EQ(Highlighted(), 3);
  Click(1, VK_CONTROL);
  EXPECT_EQ(Highlighted(), 1);
  Click(4, VK_SHIFT);
  EXPECT_EQ(grid_.CurrentRow(), 4);
  EXPECT_EQ(Highlighted(), 4);
  // No current row: nothing highlighted, below the rows or after a key.
  grid_.SetRowCount(1);
  AddFiles(2);
  Click(3);
  EXPECT_EQ(grid_.CurrentRow(), 0);
  EXPECT_EQ(Highlighted(), 0);
  Key(VK_DOWN);
  EXPECT_EQ(Highlighted(), grid_.CurrentRow());
}

TEST_F(ListViewGridTest, TheSelectedRowIsDrawnInTheHighlightColours) {
  grid_.SetLastColumnFillsWidth(true);
  grid_.SetColumnWidth(0, 4914);
  AddFiles(3);
  grid_.SelectRange(2, 0, 2, 1);
  ASSERT_NE(GetFocus(), list_view_);  // as under a box
  const std::vector<COLORREF> selected = PaintedRow(2);
  const std::vector<COLORREF> next = PaintedRow(3);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  // Across both cells, with the text in its own colour; the next row as
  // it was.
  EXPECT_EQ(selected[3], highlight);
  EXPECT_EQ(selected[selected.size() - 3], highlight);
  EXPECT_NE(std::find(selected.begin(), selected.end(),
                      GetSysColor(COLOR_HIGHLIGHTTEXT)),
            selected.end());
  EXPECT_EQ(std::find(next.begin(), next.end(), highlight), next.end());
}

TEST_F(ListViewGridTest, WidthsAreTwipsAtTheScreenDpi) {
  const int dpi = ScreenDpi(LOGPIXELSX);
  EXPECT_EQ(grid_.Width(), 7020);
  grid_.SetColumnWidth(1, 100);
  grid_.SetColumnWidth(0, 4914);
  EXPECT_EQ(ListView_GetColumnWidth(list_view_, 0), ExpectedPixels(4914, dpi));
  EXPECT_EQ(ListView_GetColumnWidth(list_view_, 1), ExpectedPixels(100, dpi));
  // No such column, or a negative width: nothing changes.
  grid_.SetColumnWidth(2, 500);
  grid_.SetColumnWidth(1, -10);
  EXPECT_EQ(ListView_GetColumnWidth(list_view_, 1), ExpectedPixels(100, dpi));
}

TEST_F(ListViewGridTest,
       LastColumnFollowsTheScrollBarAndShowRowKeepsTheCursor) {
  const auto fills = [&] {
    RECT client{};
    GetClientRect(list_view_, &client);
    return ListView_GetColumnWidth(list_view_, 0) +
               ListView_GetColumnWidth(list_view_, 1) ==
           client.right;
  };
  const auto scroll_bar = [&] {
    return (GetWindowLongW(list_view_, GWL_STYLE) & WS_VSCROLL) != 0;
  };
  grid_.SetLastColumnFillsWidth(true);
  grid_.SetColumnWidth(0, 4914);
  AddFiles(40);
  ASSERT_TRUE(scroll_bar());
  EXPECT_TRUE(fills());

  grid_.SelectRange(2, 0, 2, 1);
  grid_.ShowRow(40);
  const int top = ListView_GetTopIndex(list_view_);
  EXPECT_GT(top, 0);
  EXPECT_GE(top + ListView_GetCountPerPage(list_view_), 40);
  EXPECT_EQ(grid_.CurrentRow(), 2);
  EXPECT_EQ(Selected(), std::vector<int>{1});
  // As Delete takes rows away until the scroll bar goes.
  while (scroll_bar() && grid_.RowCount() > 1) grid_.RemoveRow(1);
  EXPECT_TRUE(fills());
}

TEST_F(ListViewGridTest, SettingsReachTheListViewStyle) {
  grid_.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(list_view_));
  grid_.SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(list_view_));
  const auto extended = ListView_GetExtendedListViewStyle(list_view_);
  EXPECT_NE(extended & LVS_EX_FULLROWSELECT, 0u);
  EXPECT_EQ(extended & LVS_EX_INFOTIP, 0u);
}

TEST_F(ListViewGridTest, ThirtyTwoThousandRowsAndMoreStayAddressable) {
  constexpr int kFiles = 33000;
  const auto start = std::chrono::steady_clock::now();
  AddFiles(kFiles);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  std::printf("[ figures  ] %d rows added and filled in %.3f s\n", kFiles,
              seconds);
  EXPECT_EQ(grid_.RowCount(), kFiles + 1);
  EXPECT_EQ(ListView_GetItemCount(list_view_), kFiles);
  EXPECT_EQ(Item(kFiles - 1, 0), L"path" + std::to_wstring(kFiles));
  grid_.SelectRange(32768, 0, 32768, 1);
  grid_.RemoveRow(100);
  EXPECT_EQ(grid_.CurrentRow(), 32767);
  EXPECT_EQ(grid_.CellText(32767, 1), u"db32768");
}

TEST(KeyShiftMask, CombinesShiftCtrlAndAlt) {
  EXPECT_EQ(ShiftMask(false, false, false), 0);
  EXPECT_EQ(ShiftMask(true, false, false), 1);
  EXPECT_EQ(ShiftMask(false, true, false), 2);
  EXPECT_EQ(ShiftMask(false, false, true), 4);
  EXPECT_EQ(ShiftMask(true, true, true), 7);
}

// The cursor a message box of this thread shows, noted by a thread timer that
// then answers the box.
HCURSOR g_cursor_in_box = nullptr;

void CALLBACK NoteCursorAndAnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"#32770", L"Velmora");
  if (box == nullptr) return;
  g_cursor_in_box = GetCursor();
  KillTimer(nullptr, timer);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(WindowAdapter, BusyShowsTheWaitCursorAndItsBoxesTheArrow) {
  PumpMessages();  // a quit message left by an earlier window would end the box
  TestWindow host;
  Win32Window window(host.Handle());
  Win32MessageBoxes boxes(host.Handle());
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  // Away from the box, so that only the program sets the box's cursor.
  SetCursorPos(0, 0);
  SetCursor(arrow);
  {
    BusyWindow busy(window);
    EXPECT_EQ(GetCursor(), WaitCursor());
    ASSERT_NE(SetTimer(nullptr, 0, 20, &NoteCursorAndAnswerBox), 0u);
    boxes.Show(u"refused. En a", MessageStyle::kOkOnly);
    EXPECT_EQ(g_cursor_in_box, arrow);
    EXPECT_EQ(GetCursor(), WaitCursor()) << "back to work after the box";
  }
  EXPECT_EQ(GetCursor(), arrow);
}

TEST(ComboAdapter, ChoiceInCodeRaisesTheClickLikeTheUsersChoice) {
  TestWindow host;
  HWND combo =
      host.AddChild(WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL, 102, 135, 200);
  Win32ComboBox adapter(combo);
  EXPECT_EQ(adapter.ListCount(), 0);
  EXPECT_EQ(adapter.CurrentText(), u"");
  EXPECT_FALSE(adapter.SetListIndex(0));  // empty list: nothing happens
  EXPECT_TRUE(host.Commands().empty());

  adapter.AddItem(u"(LOCAL)");
  adapter.AddItem(u"(LOCAL)\\SQLEXPRESS");
  adapter.AddItem(u"(LOCAL)\\A");  // unsorted: stays last
  EXPECT_EQ(adapter.ListCount(), 3);
  ASSERT_TRUE(adapter.SetListIndex(1));
  ASSERT_EQ(host.Commands().size(), 1u);
  EXPECT_EQ(host.Commands()[0], MAKEWPARAM(102, CBN_SELCHANGE));
  EXPECT_EQ(adapter.CurrentText(), u"(LOCAL)\\SQLEXPRESS");
  ASSERT_TRUE(adapter.SetListIndex(2));
  EXPECT_EQ(adapter.CurrentText(), u"(LOCAL)\\A");

  EXPECT_FALSE(adapter.SetListIndex(3));
  EXPECT_FALSE(adapter.SetListIndex(-1));
  EXPECT_EQ(host.Commands().size(), 2u);
  EXPECT_EQ(adapter.CurrentText(), u"(LOCAL)\\A");
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MainWindow::Create(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
    window_->Load();
    ShowWindow(window_->Handle(), SW_SHOWNORMAL);
    PumpMessages();
  }

  HWND Item(int id) const { return GetDlgItem(window_->Handle(), id); }

  // A key stroke through the program's own loop.
  void Key(WPARAM key) {
    for (UINT message : {UINT{WM_KEYDOWN}, UINT{WM_KEYUP}}) {
      MSG msg{};
      msg.hwnd = GetFocus();
      msg.message = message;
      msg.wParam = key;
      msg.lParam = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001) : 1;
      if (!window_->HandleDialogMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      PumpMessages();
    }
  }

  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, EveryControlUsesMsSansSerif825) {
  const int height = -MulDiv(825, ScreenDpi(LOGPIXELSY), 7200);
  for (int id = kIdLabel1; id <= kIdLabel3; ++id) {
    SCOPED_TRACE(id);
    auto font =
        reinterpret_cast<HFONT>(SendMessageW(Item(id), WM_GETFONT, 0, 0));
    LOGFONTW log{};
    ASSERT_NE(GetObjectW(font, sizeof(log), &log), 0);
    EXPECT_STREQ(log.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(log.lfHeight, height);
    EXPECT_EQ(log.lfWeight, FW_NORMAL);
    EXPECT_EQ(log.lfCharSet, 0);
    EXPECT_FALSE(log.lfItalic);
  }
}

TEST_F(MainWindowTest, AButtonDisabledByItsOwnClickHandsTheFocusOn) {
  // "Desconectar", enabled by hand, disables itself when pressed.
  EnableWindow(Item(kIdCommand2), TRUE);
  SetFocus(Item(kIdCommand2));
  Key(VK_RETURN);  // presses nothing
  ASSERT_TRUE(IsWindowEnabled(Item(kIdCommand2)));
  Key(VK_SPACE);
  EXPECT_FALSE(IsWindowEnabled(Item(kIdCommand2)));
  // Next in tab order after "Desconectar" and enabled: the server chooser,
  // the grid and the file buttons being disabled.
  EXPECT_EQ(GetFocus(), Item(kIdCombo1));
  Key(VK_TAB);
  EXPECT_EQ(GetFocus(), Item(kIdCommand1));
}

}  // namespace
}  // namespace quorvel::app::win32::testing
