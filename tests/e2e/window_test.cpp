// The main window with no SQL Server registered: layout, states as loaded,
// the grid's set-up, keyboard behaviour and resizing.
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "app/win32/layout.h"
#include "common/win32/twips.h"
#include "tests/e2e/pictures.h"
#include "tests/e2e/session.h"
#include "tests/support/support.h"

namespace {

using namespace quorvel::app::win32;

using quorvel::TwipsToPixels;

const std::wstring kDisconnectedTitle =
    e2e::Titled(quorvel::app::kSuffixDisconnected);

using Placed = quorvel::app::win32::ControlPlace;

class NoServerWindow : public e2e::Session {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartShown());
    dpi_x_ = e2e::WindowDpi(Main());
    dpi_y_ = e2e::WindowDpi(Main(), true);
  }

  RECT Expected(const Placed& p) const {
    int left = TwipsToPixels(p.left, dpi_x_);
    int top = TwipsToPixels(p.top, dpi_y_);
    return RECT{left, top, left + TwipsToPixels(p.width, dpi_x_),
                top + TwipsToPixels(p.height, dpi_y_)};
  }
  std::vector<bool> EnabledFlags() const {
    std::vector<bool> flags;
    for (const Placed& p : kLayout) flags.push_back(Enabled(p.id));
    return flags;
  }
  // Enables every control from outside, so that each can take the focus.
  void EnableAll() const {
    for (const Placed& p : kLayout) EnableWindow(Control(p.id), TRUE);
  }

  int dpi_x_ = 96;
  int dpi_y_ = 96;
};

// A rectangle as its corners, compared and printed as one value.
std::tuple<LONG, LONG, LONG, LONG> Corners(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

TEST_F(NoServerWindow, TitleAndFrame) {
  EXPECT_EQ(e2e::WindowText(Main()), kDisconnectedTitle);
  EXPECT_EQ(e2e::ClassName(Main()), kMainWindowClass);
  LONG style = e2e::Style(Main());
  EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW)
      << "standard resizable frame with min, max and close";
  EXPECT_FALSE(IsIconic(Main()));
  EXPECT_FALSE(IsZoomed(Main()));
  EXPECT_EQ(GetMenu(Main()), nullptr);
}

TEST_F(NoServerWindow, ClientAreaIs7470By5160Twips) {
  SIZE client = e2e::ClientSize(Main());
  EXPECT_EQ(client.cx, TwipsToPixels(7470, dpi_x_));
  EXPECT_EQ(client.cy, TwipsToPixels(5160, dpi_y_));
  if (dpi_x_ == 96 && dpi_y_ == 96) {
    EXPECT_EQ(client.cx, 498);
    EXPECT_EQ(client.cy, 344);
  }
}

TEST_F(NoServerWindow, EveryControlHasItsTextPlaceSizeAndFlag) {
  for (const Placed& p : kLayout) {
    SCOPED_TRACE(p.id);
    HWND control = Control(p.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), Main());
    EXPECT_EQ(_wcsicmp(e2e::ClassName(control).c_str(), ClassOf(p.kind)), 0)
        << e2e::ClassName(control);
    EXPECT_EQ(e2e::WindowText(control), p.text);
    EXPECT_EQ(Corners(e2e::PlaceInParent(control)), Corners(Expected(p)));
    // With an empty server list the load leaves the labels and the chooser.
    EXPECT_EQ(e2e::Enabled(control),
              p.kind == Kind::kLabel || p.id == kIdCombo1);
    EXPECT_TRUE(e2e::Visible(control));
  }
}

TEST_F(NoServerWindow, NoTwoControlsOverlap) {
  for (size_t i = 0; i < kLayout.size(); ++i) {
    for (size_t j = i + 1; j < kLayout.size(); ++j) {
      RECT a = e2e::PlaceInParent(Control(kLayout[i].id));
      RECT b = e2e::PlaceInParent(Control(kLayout[j].id));
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &a, &b))
          << kLayout[i].id << " overlaps " << kLayout[j].id;
    }
  }
}

// At every scaling each caption fits its control. Buttons are asked for the
// size their caption needs, which only version 6 of the common controls
// answers: that also shows they are drawn in the system's own look.
TEST_F(NoServerWindow, EveryCaptionFitsItsControlInTheSystemsLook) {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateControlFont(dpi_y_);
  HGDIOBJ before = SelectObject(screen, font);
  for (const Placed& p : kLayout) {
    if (*p.text == L'\0') continue;
    SCOPED_TRACE(p.id);
    const RECT place = Expected(p);
    SIZE needed{};
    if (p.kind == Kind::kButton) {
      LRESULT answered = 0;
      e2e::SendRemote(Control(p.id), BCM_GETIDEALSIZE, 0, needed, nullptr,
                      &answered);
      EXPECT_TRUE(answered) << "not drawn by common controls 6";
    } else {
      ASSERT_TRUE(GetTextExtentPoint32W(
          screen, p.text, static_cast<int>(wcslen(p.text)), &needed));
    }
    EXPECT_GT(needed.cx, 0);
    EXPECT_LE(needed.cx, place.right - place.left);
    EXPECT_LE(needed.cy, place.bottom - place.top);
  }
  SelectObject(screen, before);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
}

TEST_F(NoServerWindow, ServerChooserIsAnEmptyUnsortedDropDownList) {
  HWND combo = Control(kIdCombo1);
  LONG style = e2e::Style(combo);
  EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(style & CBS_SORT, 0);
  EXPECT_TRUE(e2e::ComboItems(combo).empty());
  EXPECT_EQ(e2e::ComboSelection(combo), CB_ERR);
  EXPECT_EQ(e2e::WindowText(Control(kIdLabel3)), L"");
}

TEST_F(NoServerWindow, NoButtonIsDefaultOrHasAnAccessKey) {
  for (int id : {kIdCommand1, kIdCommand2, kIdCommand3, kIdCommand4}) {
    HWND button = Control(id);
    EXPECT_EQ(e2e::Style(button) & BS_TYPEMASK, BS_PUSHBUTTON)
        << e2e::WindowText(button);
    EXPECT_EQ(e2e::WindowText(button).find(L'&'), std::wstring::npos);
    LRESULT code = SendMessageW(button, WM_GETDLGCODE, 0, 0);
    EXPECT_EQ(code & DLGC_DEFPUSHBUTTON, 0);
  }
  EXPECT_NE(GetDlgCtrlID(Control(kIdCommand1)), IDOK);
  EXPECT_NE(GetDlgCtrlID(Control(kIdCommand1)), IDCANCEL);
}

// ---- the grid as set up by the load sequence --------------------------------

using GridSetUp = NoServerWindow;

TEST_F(GridSetUp, HeaderRowAloneWithTwoColumns) {
  HWND grid = Control(kIdGrid);
  EXPECT_EQ(e2e::Style(grid) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_NE(e2e::Style(grid) & LVS_SHOWSELALWAYS, 0)
      << "the chosen row stays in sight when the focus leaves";
  EXPECT_EQ(e2e::HeaderTexts(grid),
            (std::vector<std::wstring>{L"Ruta", L"Base Datos"}));
  EXPECT_EQ(e2e::ListRowCount(grid), 0) << "no file rows after set-up";
  EXPECT_EQ(e2e::ListFocusedRow(grid), -1);
}

TEST_F(GridSetUp, PathColumnIs4914TwipsAndTheNamesTakeTheRest) {
  HWND grid = Control(kIdGrid);
  RECT client{};
  ASSERT_TRUE(GetClientRect(grid, &client));
  EXPECT_EQ(e2e::ColumnWidth(grid, 0), TwipsToPixels(4914, dpi_x_));
  EXPECT_EQ(e2e::ColumnWidth(grid, 1),
            client.right - e2e::ColumnWidth(grid, 0));
  if (dpi_x_ == 96) {
    EXPECT_EQ(e2e::ColumnWidth(grid, 0), 328);
    EXPECT_EQ(e2e::ColumnWidth(grid, 1), 136);
  }
}

TEST_F(GridSetUp, TheGridCarriesTheOnlyTooltip) {
  const std::vector<e2e::ToolText> tools = e2e::TooltipTexts(app().ProcessId());
  ASSERT_EQ(tools.size(), 1u);
  EXPECT_EQ(tools[0].text, kGridTooltip);
  EXPECT_EQ(tools[0].tool_window, Control(kIdGrid));
}

// ---- keyboard ---------------------------------------------------------------

using Keyboard = NoServerWindow;

TEST_F(Keyboard, FocusStartsOnTheServerChooserAndTabKeepsItThere) {
  ASSERT_TRUE(FocusReaches(Control(kIdCombo1)))
      << "first enabled tab stop gets the focus";
  // The only enabled tab stop in this state.
  e2e::PostKey(Focus(), VK_TAB);
  Sync();
  EXPECT_EQ(Focus(), Control(kIdCombo1));
}

TEST_F(Keyboard, TabVisitsTheControlsInOrderSkippingDisabledOnes) {
  // Enabled from outside so the whole cycle can be seen.
  EnableAll();
  ASSERT_TRUE(FocusReaches(Control(kIdCombo1)));
  const std::vector<int> cycle = {kIdCommand1, kIdCommand2, kIdGrid,
                                  kIdCommand3, kIdCommand4, kIdCombo1};
  for (int id : cycle) {
    e2e::PostKey(Focus(), VK_TAB);
    EXPECT_TRUE(FocusReaches(Control(id), 2000));
  }
  EnableWindow(Control(kIdCommand2), FALSE);
  EnableWindow(Control(kIdGrid), FALSE);
  for (int id : {kIdCommand1, kIdCommand3}) {
    e2e::PostKey(Focus(), VK_TAB);
    EXPECT_TRUE(FocusReaches(Control(id), 2000));
  }
}

TEST_F(Keyboard, ShiftTabGoesBackwards) {
  EnableAll();
  ASSERT_TRUE(FocusReaches(Control(kIdCombo1)));
  for (int id : {kIdCommand4, kIdCommand3, kIdGrid}) {
    ASSERT_TRUE(e2e::SendChord(Main(), {VK_SHIFT, VK_TAB}));
    EXPECT_TRUE(FocusReaches(Control(id), 2000));
  }
}

TEST_F(Keyboard, LabelsAndDisabledControlsNeverTakeTheFocus) {
  for (int id : {kIdLabel1, kIdLabel2, kIdLabel3}) {
    EXPECT_EQ(e2e::Style(Control(id)) & WS_TABSTOP, 0);
  }
  for (int id : {kIdCombo1, kIdCommand1, kIdCommand2, kIdGrid, kIdCommand3,
                 kIdCommand4}) {
    EXPECT_NE(e2e::Style(Control(id)) & WS_TABSTOP, 0) << id;
  }
  ASSERT_TRUE(FocusReaches(Control(kIdCombo1)));
  for (int i = 0; i < 4; ++i) {
    e2e::PostKey(Focus(), VK_TAB);
    Sync();
    EXPECT_EQ(Focus(), Control(kIdCombo1));
  }
}

TEST_F(Keyboard, EnterAndEscapePressNoButtonWhereverTheFocusIs) {
  // Conectar, if it were pressed, would try to connect and report a failure.
  EnableWindow(Control(kIdCommand1), TRUE);
  EnableWindow(Control(kIdCommand2), TRUE);
  const std::vector<bool> flags = EnabledFlags();
  ASSERT_TRUE(FocusReaches(Control(kIdCombo1)));
  for (int stop = 0; stop < 3; ++stop) {
    HWND focus = Focus();
    SCOPED_TRACE(GetDlgCtrlID(focus));
    for (UINT key : {UINT{VK_RETURN}, UINT{VK_ESCAPE}}) {
      e2e::PostKey(focus, key);
      Sync();
      EXPECT_FALSE(WaitBox(700).has_value()) << "key " << key;
      EXPECT_EQ(e2e::WindowText(Main()), kDisconnectedTitle);
      EXPECT_EQ(EnabledFlags(), flags);
      EXPECT_TRUE(app().Running());
      EXPECT_EQ(Focus(), focus);
    }
    e2e::PostKey(focus, VK_TAB);
    e2e::WaitFor([&] { return Focus() != focus; }, 2000);
  }
}

TEST_F(Keyboard, SpaceOnAFocusedButtonDoesPressIt) {
  // The counterpart of the test above: a pressed Conectar is seen.
  EnableWindow(Control(kIdCommand1), TRUE);
  ASSERT_TRUE(FocusReaches(Control(kIdCombo1)));
  e2e::PostKey(Focus(), VK_TAB);
  ASSERT_TRUE(FocusReaches(Control(kIdCommand1), 2000));
  e2e::PostKey(Focus(), VK_SPACE);
  auto box = WaitBox(10000);
  ASSERT_TRUE(box.has_value()) << "connecting to no server shows its error";
  EXPECT_EQ(box->caption, e2e::Wide(quorvel::app::kApplicationTitle));
  ASSERT_NO_FATAL_FAILURE(Answer(*box, IDOK));
  EXPECT_TRUE(NoBox());
}

TEST_F(Keyboard, TypingIntoTheServerChooserCreatesNoName) {
  HWND combo = Control(kIdCombo1);
  for (wchar_t c : std::wstring(L"LOCAL")) PostMessageW(combo, WM_CHAR, c, 1);
  Sync();
  EXPECT_TRUE(e2e::ComboItems(combo).empty());
  EXPECT_EQ(e2e::WindowText(combo), L"");
  EXPECT_EQ(e2e::ComboSelection(combo), CB_ERR);
}

// With two servers registered nothing connects at load, and the chooser and
// "Conectar" are the enabled tab stops.
using KeyboardTwoServers = e2e::Session;

TEST_F(KeyboardTwoServers, TabCyclesChooserAndConectarAndEnterPressesNothing) {
  Instances({L"MSSQLSERVER", L"SQLEXPRESS"}, e2e::View::k32);
  StartShown();
  HWND combo = Control(kIdCombo1);
  HWND conectar = Control(kIdCommand1);
  ASSERT_GE(e2e::ComboItems(combo).size(), 2u);
  ASSERT_TRUE(Enabled(kIdCommand1));
  ASSERT_FALSE(Enabled(kIdCommand2));
  ASSERT_TRUE(FocusReaches(combo));
  for (HWND next : {conectar, combo, conectar}) {
    e2e::PostKey(Focus(), VK_TAB);
    EXPECT_TRUE(FocusReaches(next, 2000));
  }
  // Pressing "Conectar" would try the connection and report its failure.
  for (UINT key : {UINT{VK_RETURN}, UINT{VK_ESCAPE}}) {
    e2e::PostKey(conectar, key);
    Sync();
    EXPECT_FALSE(WaitBox(700).has_value()) << "key " << key;
    EXPECT_EQ(Title(), kDisconnectedTitle);
    EXPECT_TRUE(Enabled(kIdCommand1));
  }
}

// ---- resizing and closing ---------------------------------------------------

using Resize = NoServerWindow;

TEST_F(Resize, NothingMovesWhenTheWindowGrowsOrShrinks) {
  std::vector<RECT> before;
  for (const Placed& p : kLayout) {
    before.push_back(e2e::PlaceInParent(Control(p.id)));
  }
  RECT frame{};
  GetWindowRect(Main(), &frame);
  const SIZE client = e2e::ClientSize(Main());
  for (int grow : {300, -150}) {
    SetWindowPos(Main(), nullptr, 0, 0, frame.right - frame.left + grow,
                 frame.bottom - frame.top + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Sync();
    SIZE now = e2e::ClientSize(Main());
    ASSERT_EQ(now.cx, client.cx + grow) << "the window did not resize";
    for (size_t i = 0; i < kLayout.size(); ++i) {
      EXPECT_EQ(Corners(e2e::PlaceInParent(Control(kLayout[i].id))),
                Corners(before[i]))
          << kLayout[i].id << " moved";
    }
  }
}

TEST_F(Resize, ClosingEndsTheProgramWithoutAPrompt) {
  PostMessageW(Main(), WM_CLOSE, 0, 0);
  std::optional<DWORD> code = app().WaitExit(5000);
  EXPECT_TRUE(code.has_value()) << "still running after WM_CLOSE";
  EXPECT_TRUE(NoBox());
}

// ---- a picture for people ---------------------------------------------------

TEST_F(NoServerWindow, ScreenshotIsWrittenAndShowsTheControls) {
  const std::wstring path = e2e::PicturePath(L"quorvel-window", dpi_x_);
  ASSERT_TRUE(Redrawn());
  const std::vector<uint8_t> bgr = e2e::CaptureClient(Main()).bgr;
  ASSERT_FALSE(bgr.empty());
  // A drawn window has text and edges, not a single flat colour.
  size_t differing = 0;
  for (size_t i = 3; i < bgr.size(); i += 3) {
    if (bgr[i] != bgr[0] || bgr[i + 1] != bgr[1] || bgr[i + 2] != bgr[2]) {
      ++differing;
    }
  }
  EXPECT_GT(differing, bgr.size() / 3 / 100);
  ASSERT_TRUE(e2e::SaveClientPng(Main(), path)) << path;
  DWORD attributes = GetFileAttributesW(path.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
