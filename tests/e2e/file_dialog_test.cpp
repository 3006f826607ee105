// "Seleccionar Ficheros" on the real program, connected through the ADO
// stand-in: Wine's open-file dialog is found, filled in and confirmed or
// cancelled from here, and the rows are read back from the grid; then rows go
// with Delete and Yes, and stay with No, whatever modifier is held; the
// question's own box; and "Desconectar" empties the grid.

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "tests/e2e/pictures.h"
#include "tests/e2e/session.h"
#include "tests/support/support.h"

namespace {

namespace view = quorvel::app::win32;

using e2e::kSqlServerKey;
using quorvel::app::kSuffixConnected;
using quorvel::app::kSuffixDisconnected;

constexpr wchar_t kDeleteQuestion[] =
    L"Desea eliminar la l\u00EDnea seleccionada?";

// Which message-box icon the box shows on screen: the one whose picture,
// drawn here over the same background, differs least from it. (Under Wine
// an icon's pixels stay in the process that loaded it, so the screen is what
// both platforms share.)
LPCWSTR ShownIcon(const e2e::MessageBoxInfo& box) {
  const e2e::Picture shown = e2e::CaptureClient(box.hwnd);
  const RECT place = e2e::PlaceInParent(box.icon_window);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  // The icons leave their corners to the background.
  const COLORREF background = shown.Colour(place.left, place.top);
  if (width <= 0 || height <= 0 || background == CLR_INVALID ||
      shown.Colour(place.right - 1, place.bottom - 1) == CLR_INVALID) {
    return nullptr;
  }
  LPCWSTR nearest = nullptr;
  long best = 0;
  for (LPCWSTR icon : {IDI_QUESTION, IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK}) {
    const e2e::Picture drawn = e2e::PaintedPixels(width, height, [&](HDC dc) {
      const RECT all{0, 0, width, height};
      SetDCBrushColor(dc, background);
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      DrawIconEx(dc, 0, 0, LoadIconW(nullptr, icon), width, height, 0, nullptr,
                 DI_NORMAL);
    });
    long difference = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const COLORREF a = shown.Colour(place.left + x, place.top + y);
        const COLORREF b = drawn.Colour(x, y);
        difference += std::abs(GetRValue(a) - GetRValue(b)) +
                      std::abs(GetGValue(a) - GetGValue(b)) +
                      std::abs(GetBValue(a) - GetBValue(b));
      }
    }
    if (nearest == nullptr || difference < best) {
      nearest = icon;
      best = difference;
    }
  }
  return nearest;
}

class FileDialogE2E : public e2e::Session {
 protected:
  void SetUp() override {
    // No scenario: the stand-in opens every connection.
    ASSERT_NO_FATAL_FAILURE(UseStandin());
    // One instance: the program connects while it loads.
    ASSERT_NO_FATAL_FAILURE(Instances({L"MSSQLSERVER"}, e2e::View::k32));
    // Set up the way SQL Server 2022 does, so the window shows a version.
    ASSERT_TRUE(registry().SetString(
        e2e::View::k32, std::wstring(kSqlServerKey) + L"\\Instance Names\\SQL",
        L"MSSQLSERVER", L"MSSQL16.MSSQLSERVER"));
    ASSERT_TRUE(registry().SetString(
        e2e::View::k32,
        std::wstring(kSqlServerKey) + L"\\MSSQL16.MSSQLSERVER\\Setup",
        L"PatchLevel", L"16.0.4135.4"));
    ASSERT_NO_FATAL_FAILURE(StartShown());
    ASSERT_TRUE(TitleBecomes(kSuffixConnected)) << Title();
    ASSERT_TRUE(Enabled(view::kIdCommand3));
  }

  void ExpectRow(int item, const std::wstring& folder, const std::wstring& name,
                 const std::wstring& database) const {
    const std::wstring path = Cell(item, 0);
    ASSERT_GT(path.size(), folder.size()) << path;
    EXPECT_TRUE(e2e::SameText(path.substr(0, folder.size()), folder)) << path;
    EXPECT_EQ(path.substr(folder.size()), L"\\" + name);
    EXPECT_EQ(Cell(item, 1), database);
  }

  // Tabs round with real key presses until the grid has the focus.
  bool FocusGrid() const {
    // Real keys are taken in their own time, after the round trip that ends
    // SendChord: each Tab counts once the focus has moved. Coming back from
    // the dialog, the window also hands the focus back to the button that
    // opened it: the grid counts as focused once it stays so.
    const auto grid_keeps_focus = [&] {
      if (Focus() != Grid()) return false;
      Sleep(200);
      return Sync() && Focus() == Grid();
    };
    for (int stop = 0; stop < 16; ++stop) {
      if (grid_keeps_focus()) return true;
      const HWND before = Focus();
      if (!e2e::SendChord(Main(), {VK_TAB})) return false;
      e2e::WaitFor([&] { return Focus() != before; }, 2000);
    }
    return grid_keeps_focus();
  }

  // Three files chosen into the grid, from a folder kept for the test.
  void ChooseThreeRows() {
    ASSERT_NO_FATAL_FAILURE(
        ChooseAll(FolderWith({L"a.mdf", L"b.mdf", L"c.mdf"}), 3));
  }

  // Delete on the grid's current row, and the question it asks.
  std::optional<e2e::MessageBoxInfo> DeleteRow(int row) const {
    EXPECT_TRUE(e2e::SetListCurrent(Grid(), row));
    e2e::PostKey(Grid(), VK_DELETE);
    return WaitBox();
  }
};

TEST_F(FileDialogE2E, SelectionsAppendRowsAndCancelAddsNone) {
  const auto& folder = FolderWith({L"sales.mdf", L"a.mdf", L"b.mdf", L"c.mdf"});
  ASSERT_EQ(Rows(), 0);
  // One file: its path unchanged, the name without its last four characters.
  ASSERT_NO_FATAL_FAILURE(ChooseFiles(folder.Path(L"sales.mdf")));
  ASSERT_TRUE(WaitRows(1));
  EXPECT_EQ(Cell(0, 0), folder.Path(L"sales.mdf"));
  EXPECT_EQ(Cell(0, 1), L"sales");
  // Three at once, after the first row, in the dialog's order.
  ASSERT_NO_FATAL_FAILURE(
      ChooseFiles(L"\"a.mdf\" \"b.mdf\" \"c.mdf\"", folder.path()));
  ASSERT_TRUE(WaitRows(4));
  ExpectRow(1, folder.path(), L"a.mdf", L"a");
  ExpectRow(2, folder.path(), L"b.mdf", L"b");
  ExpectRow(3, folder.path(), L"c.mdf", L"c");
  // Cancel: no row, no message.
  const auto dialog = OpenFileDialog();
  ASSERT_TRUE(dialog);
  dialog->Press(IDCANCEL);
  ASSERT_TRUE(dialog->WaitClosed());
  ASSERT_TRUE(Sync());
  EXPECT_TRUE(NoBox());
  EXPECT_EQ(Rows(), 4);
  // Another selection: a typed name that need not exist, and a file chosen
  // before, which gets a second row of its own.
  ASSERT_NO_FATAL_FAILURE(
      ChooseFiles(L"\"notes.txt\" \"a.mdf\"", folder.path()));
  ASSERT_TRUE(WaitRows(6));
  ExpectRow(4, folder.path(), L"notes.txt", L"notes");
  ExpectRow(5, folder.path(), L"a.mdf", L"a");
  EXPECT_EQ(Cell(0, 1), L"sales");
}

TEST_F(FileDialogE2E, TypedFullPathsAreTakenAsTheyAre) {
  const auto& files = FolderWith({L"a.mdf"});
  const std::wstring full_path = FolderWith({L"x.mdf"}).Path(L"x.mdf");
  ASSERT_NO_FATAL_FAILURE(
      ChooseFiles(L"\"" + full_path + L"\" \"a.mdf\"", files.path()));
  ASSERT_TRUE(WaitRows(2));
  EXPECT_EQ(Cell(0, 0), full_path);
  EXPECT_EQ(Cell(0, 1), L"x");
  ExpectRow(1, files.path(), L"a.mdf", L"a");

  const std::wstring unc = L"\\\\server\\share\\y.mdf";
  auto dialog = OpenFileDialog();
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(dialog->Submit(unc));
  if (e2e::RunningOnWine()) {
    // Wine's item dialog refuses a UNC path without a word and stays open.
    EXPECT_TRUE(dialog->IsOpen());
    dialog->Press(IDCANCEL);
    ASSERT_TRUE(dialog->WaitClosed());
    ASSERT_TRUE(Sync());
    EXPECT_EQ(Rows(), 2);
  } else {
    ASSERT_TRUE(dialog->WaitClosed());
    ASSERT_TRUE(WaitRows(3));
    EXPECT_EQ(Cell(2, 0), unc);
    EXPECT_EQ(Cell(2, 1), L"y");
  }
}

TEST_F(FileDialogE2E, DeleteRemovesTheRowOnYesAndKeepsItOnNo) {
  ASSERT_NO_FATAL_FAILURE(ChooseThreeRows());
  const e2e::ScratchFolder& folder = Folder();
  // No: the row stays, still selected.
  auto box = DeleteRow(1);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, kDeleteQuestion);
  EXPECT_EQ(box->caption, e2e::Wide(quorvel::app::kApplicationTitle));
  ASSERT_NO_FATAL_FAILURE(Answer(*box, IDNO));
  EXPECT_EQ(Rows(), 3);
  EXPECT_EQ(e2e::ListSelectedRows(Grid()), std::vector<int>{1});
  ExpectRow(1, folder.path(), L"b.mdf", L"b");
  // Alt+Delete, which the ListView does not report, asks the same.
  PostMessageW(Grid(), WM_SYSKEYDOWN, VK_DELETE, 1 | (1 << 29));
  box = WaitBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, kDeleteQuestion);
  ASSERT_NO_FATAL_FAILURE(Answer(*box, IDNO));
  EXPECT_EQ(Rows(), 3);
  // Yes: the row goes and the next one moves up.
  box = DeleteRow(1);
  ASSERT_TRUE(box);
  e2e::PressButton(box->hwnd, IDYES);
  ASSERT_TRUE(WaitRows(2));
  ExpectRow(0, folder.path(), L"a.mdf", L"a");
  ExpectRow(1, folder.path(), L"c.mdf", L"c");
}

TEST_F(FileDialogE2E, DeleteQuestionIsYesNoWithTheQuestionIconAndYesDefault) {
  ASSERT_NO_FATAL_FAILURE(ChooseThreeRows());
  const auto box = DeleteRow(1);
  ASSERT_TRUE(box);

  EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDYES, IDNO}));
  ASSERT_TRUE(box->has_icon);
  EXPECT_EQ(ShownIcon(*box), IDI_QUESTION);
  // Wine builds every box from one template whose default is OK, and marks
  // the chosen button as the default only by its style.
  EXPECT_EQ(box->default_id, e2e::RunningOnWine() ? IDOK : IDYES);
  EXPECT_EQ(e2e::Style(GetDlgItem(box->hwnd, IDYES)) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON);
  EXPECT_EQ(e2e::Style(GetDlgItem(box->hwnd, IDNO)) & BS_TYPEMASK,
            BS_PUSHBUTTON);
  ASSERT_NO_FATAL_FAILURE(Answer(*box, IDNO));
  EXPECT_EQ(Rows(), 3);
}

TEST_F(FileDialogE2E, DeleteWithAltShiftOrCtrlAsksTheSameQuestion) {
  ASSERT_NO_FATAL_FAILURE(ChooseThreeRows());
  for (WORD modifier : {WORD{VK_MENU}, WORD{VK_SHIFT}, WORD{VK_CONTROL}}) {
    SCOPED_TRACE(modifier);
    ASSERT_TRUE(FocusGrid());
    ASSERT_TRUE(e2e::SetListCurrent(Grid(), 1));
    ASSERT_TRUE(e2e::SendChord(Main(), {modifier, VK_DELETE}));
    const auto box = WaitBox();
    ASSERT_TRUE(box) << "no question";
    EXPECT_EQ(box->text, kDeleteQuestion);
    EXPECT_EQ(box->caption, e2e::Wide(quorvel::app::kApplicationTitle));
    EXPECT_EQ(box->ButtonIds(), (std::vector<int>{IDYES, IDNO}));
    ASSERT_NO_FATAL_FAILURE(Answer(*box, IDNO));
  }
  EXPECT_EQ(Rows(), 3);
}

TEST_F(FileDialogE2E, DesconectarEmptiesTheGridAndKeepsItsHeader) {
  ASSERT_NO_FATAL_FAILURE(ChooseThreeRows());
  Click(view::kIdCommand2);  // "Desconectar"
  ASSERT_TRUE(TitleBecomes(kSuffixDisconnected)) << Title();
  ASSERT_TRUE(Sync());
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(e2e::HeaderTexts(Grid()),
            (std::vector<std::wstring>{L"Ruta", L"Base Datos"}));
  EXPECT_TRUE(NoBox());
}

// ---- a picture for people ---------------------------------------------------

TEST_F(FileDialogE2E, ScreenshotShowsThreeFilesAndTheirNamesConnected) {
  ASSERT_NO_FATAL_FAILURE(ChooseAll(
      FolderWith({L"ventas.mdf", L"compras.mdf", L"personal.mdf"}), 3));
  EXPECT_EQ(Cell(2, 1), L"personal");
  ASSERT_TRUE(Redrawn());
  const std::wstring path = e2e::PicturePath(L"quorvel-connected");
  ASSERT_TRUE(e2e::SaveClientPng(Main(), path)) << path;
}

TEST_F(FileDialogE2E, NamesFillTheGridWithAndWithoutAScrollBar) {
  std::vector<std::wstring> names;
  for (int n = 1; n <= 20; ++n) {
    names.push_back(L"base" + std::to_wstring(n) + L".mdf");
  }
  const auto scroll_bar = [&] {
    return (e2e::Style(Grid()) & WS_VSCROLL) != 0;
  };
  const auto names_reach_the_edge = [&] {
    RECT client{};
    GetClientRect(Grid(), &client);
    return e2e::ColumnWidth(Grid(), 0) + e2e::ColumnWidth(Grid(), 1) ==
           client.right;
  };

  ASSERT_NO_FATAL_FAILURE(ChooseAll(FolderWith(names), 20));
  EXPECT_TRUE(scroll_bar());
  EXPECT_TRUE(names_reach_the_edge());
  EXPECT_EQ(Cell(19, 1), L"base20");
  // "Desconectar" empties the list: the scroll bar goes, the column grows.
  Click(view::kIdCommand2);
  ASSERT_TRUE(WaitRows(0));
  ASSERT_TRUE(Sync());
  EXPECT_FALSE(scroll_bar());
  EXPECT_TRUE(names_reach_the_edge());
}

// "My Computer" (Windows' "This PC") has no path of its own: files typed
// there with their full paths come back whole, one row each.
TEST_F(FileDialogE2E, SeveralFilesChosenInMyComputerComeBackWhole) {
  const std::wstring x = FolderWith({L"x.mdf"}).Path(L"x.mdf");
  const std::wstring y = FolderWith({L"y.mdf"}).Path(L"y.mdf");
  auto dialog = OpenFileDialog();
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(dialog->Browse(L"My Computer"));
  ASSERT_TRUE(dialog->Confirm(L"\"" + x + L"\" \"" + y + L"\""));
  ASSERT_TRUE(dialog->WaitClosed());
  ASSERT_TRUE(WaitRows(2));
  EXPECT_EQ(Cell(0, 0), x);
  EXPECT_EQ(Cell(0, 1), L"x");
  EXPECT_EQ(Cell(1, 0), y);
  EXPECT_EQ(Cell(1, 1), L"y");
}

// The row the Delete question is about is the one shown highlighted, in
// the highlight colours, whatever moved the cursor there.
TEST_F(FileDialogE2E, TheRowAskedAboutIsTheHighlightedOne) {
  ASSERT_NO_FATAL_FAILURE(ChooseAll(
      FolderWith({L"uno.mdf", L"dos.mdf", L"tres.mdf", L"cuatro.mdf"}), 4));
  const auto click = [&](POINT at) {
    ASSERT_TRUE(e2e::SendClick(Grid(), at));
    ASSERT_TRUE(Sync());
  };
  // Delete, Yes: the row asked about is the highlighted one, drawn in the
  // highlight colours, and it is the one that goes.
  const auto delete_highlighted = [&](const std::wstring& name) {
    const int current = e2e::ListFocusedRow(Grid());
    EXPECT_EQ(e2e::ListSelectedRows(Grid()), std::vector<int>{current});
    ASSERT_EQ(Cell(current, 1), name);
    e2e::PostKey(Grid(), VK_DELETE);
    const auto box = WaitBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::ListSelectedRows(Grid()), std::vector<int>{current});
    RECT row = e2e::ListItemRect(Grid(), current);
    MapWindowPoints(Grid(), Main(), reinterpret_cast<POINT*>(&row), 2);
    EXPECT_EQ(e2e::CaptureClient(Main()).Colour(row.right - 4,
                                                (row.top + row.bottom) / 2),
              GetSysColor(COLOR_HIGHLIGHT));
    ASSERT_NO_FATAL_FAILURE(Answer(*box, IDYES));
    for (int item = 0; item < Rows(); ++item) EXPECT_NE(Cell(item, 1), name);
  };
  const RECT tres = e2e::ListItemRect(Grid(), 2);
  click({tres.left + 30, (tres.top + tres.bottom) / 2});
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::ListFocusedRow(Grid()) == 2; }));
  // Real keys are taken in their own time, after the chord's round trip.
  ASSERT_TRUE(e2e::SendChord(Main(), {VK_CONTROL, VK_UP}));
  ASSERT_TRUE(e2e::WaitFor([&] { return e2e::ListFocusedRow(Grid()) == 1; }));
  ASSERT_NO_FATAL_FAILURE(delete_highlighted(L"dos"));
  ASSERT_EQ(Rows(), 3);
  // Below the rows: the current row stays current, and highlighted.
  const std::wstring current = Cell(e2e::ListFocusedRow(Grid()), 1);
  const RECT last = e2e::ListItemRect(Grid(), Rows() - 1);
  click({last.left + 30, last.bottom + 3 * (last.bottom - last.top)});
  ASSERT_NO_FATAL_FAILURE(delete_highlighted(current));
  EXPECT_EQ(Rows(), 2);
}

}  // namespace
