// The main window with no SQL Server registered: layout, states as loaded,
// the grid's set-up, keyboard behaviour and resizing.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "gtest/gtest.h"
#include "tests/e2e/harness.h"

namespace {

using namespace quorvel::app::win32;

constexpr wchar_t kDisconnectedTitle[] =
    L"Adjuntar Base de datos Sql server. No conectado.";

struct Placed {
  const char* name;
  int id;
  const wchar_t* class_name;
  const wchar_t* text;
  int left, top, width, height;  // twips
  bool enabled_with_no_server;
};

// The layout as placed, in tab order, with the flags after loading with an
// empty server list.
const std::vector<Placed>& Layout() {
  static const std::vector<Placed> layout = {
      {"Label1", kIdLabel1, L"Static", L"Servidor", 75, 150, 735, 270, true},
      {"Combo1", kIdCombo1, L"ComboBox", L"", 840, 120, 2025, 315, true},
      {"Command1", kIdCommand1, L"Button", L"Conectar", 5025, 120, 1080, 255,
       false},
      {"Command2", kIdCommand2, L"Button", L"Desconectar", 6105, 120, 1080, 255,
       false},
      {"vsFlexGrid1", kIdGrid, WC_LISTVIEWW, L"", 120, 960, 7020, 3435, false},
      {"Command3", kIdCommand3, L"Button", L"Seleccionar Ficheros", 4230, 4485,
       1890, 255, false},
      {"Command4", kIdCommand4, L"Button", L"Adjuntar", 6135, 4485, 1035, 255,
       false},
      {"Label2", kIdLabel2, L"Static", L"Version", 75, 495, 735, 270, true},
      {"Label3", kIdLabel3, L"Static", L"", 1005, 525, 1950, 285, true},
  };
  return layout;
}

class NoServerWindow : public testing::Test {
 protected:
  void SetUp() override {
    app_.emplace(e2e::App::Start());
    ASSERT_NE(app_->Main(), nullptr) << "Quorvel.exe did not open its window";
    ASSERT_TRUE(app_->WaitShown());
    ASSERT_TRUE(e2e::Sync(app_->Main()));
    dpi_x_ = e2e::WindowDpi(app_->Main());
    dpi_y_ = e2e::WindowDpi(app_->Main(), true);
  }
  void TearDown() override { app_.reset(); }

  HWND Main() const { return app_->Main(); }
  HWND Control(int id) const { return app_->Control(id); }
  RECT Expected(const Placed& p) const {
    int left = e2e::TwipsToPixels(p.left, dpi_x_);
    int top = e2e::TwipsToPixels(p.top, dpi_y_);
    return RECT{left, top, left + e2e::TwipsToPixels(p.width, dpi_x_),
                top + e2e::TwipsToPixels(p.height, dpi_y_)};
  }
  HWND Focus() const { return e2e::FocusedWindow(app_->ThreadId()); }
  std::vector<bool> EnabledFlags() const {
    std::vector<bool> flags;
    for (const Placed& p : Layout())
      flags.push_back(e2e::Enabled(Control(p.id)));
    return flags;
  }
  // Lets the program's queue run dry, then says whether a box came up.
  bool MessageBoxAppears(int timeout_ms = 700) const {
    e2e::Sync(Main());
    return e2e::WaitMessageBox(app_->ThreadId(), timeout_ms).has_value();
  }

  std::optional<e2e::App> app_;
  int dpi_x_ = 96;
  int dpi_y_ = 96;
};

std::string Describe(const RECT& r) {
  char text[64];
  std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", r.left, r.top,
                r.right, r.bottom);
  return text;
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
  EXPECT_EQ(client.cx, e2e::TwipsToPixels(7470, dpi_x_));
  EXPECT_EQ(client.cy, e2e::TwipsToPixels(5160, dpi_y_));
  if (dpi_x_ == 96 && dpi_y_ == 96) {
    EXPECT_EQ(client.cx, 498);
    EXPECT_EQ(client.cy, 344);
  }
}

TEST_F(NoServerWindow, EveryControlHasItsTextPlaceSizeAndFlag) {
  for (const Placed& p : Layout()) {
    SCOPED_TRACE(p.name);
    HWND control = Control(p.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), Main());
    EXPECT_EQ(_wcsicmp(e2e::ClassName(control).c_str(), p.class_name), 0)
        << e2e::Narrow(e2e::ClassName(control));
    EXPECT_EQ(e2e::WindowText(control), p.text);
    RECT got = e2e::PlaceInParent(control);
    RECT want = Expected(p);
    EXPECT_TRUE(EqualRect(&got, &want))
        << "at " << Describe(got) << ", expected " << Describe(want);
    EXPECT_EQ(e2e::Enabled(control), p.enabled_with_no_server);
    EXPECT_TRUE(e2e::Visible(control));
  }
}

TEST_F(NoServerWindow, NoTwoControlsOverlap) {
  const auto& layout = Layout();
  for (size_t i = 0; i < layout.size(); ++i) {
    for (size_t j = i + 1; j < layout.size(); ++j) {
      RECT a = e2e::PlaceInParent(Control(layout[i].id));
      RECT b = e2e::PlaceInParent(Control(layout[j].id));
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &a, &b))
          << layout[i].name << " overlaps " << layout[j].name;
    }
  }
}

// At every scaling each caption fits its control. Buttons are asked for the
// size their caption needs, which only version 6 of the common controls
// answers: that also shows they are drawn in the system's own look.
TEST_F(NoServerWindow, EveryCaptionFitsItsControlInTheSystemsLook) {
  e2e::RemoteBuffer ideal(app_->Process(), sizeof(SIZE));
  ASSERT_NE(ideal.address(), nullptr);
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontW(
      -MulDiv(825, dpi_y_, 7200), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
      ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
      DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
  HGDIOBJ before = SelectObject(screen, font);
  for (const Placed& p : Layout()) {
    if (*p.text == L'\0') continue;
    SCOPED_TRACE(p.name);
    const RECT place = Expected(p);
    SIZE needed{};
    if (std::wstring(p.class_name) == L"Button") {
      const SIZE none{};
      ASSERT_TRUE(ideal.Write(0, &none, sizeof none));
      EXPECT_TRUE(SendMessageW(Control(p.id), BCM_GETIDEALSIZE, 0,
                               reinterpret_cast<LPARAM>(ideal.address())))
          << "not drawn by common controls 6";
      ASSERT_TRUE(ideal.Read(0, &needed, sizeof needed));
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
        << e2e::Narrow(e2e::WindowText(button));
    EXPECT_EQ(e2e::WindowText(button).find(L'&'), std::wstring::npos);
    LRESULT code = SendMessageW(button, WM_GETDLGCODE, 0, 0);
    EXPECT_EQ(code & DLGC_DEFPUSHBUTTON, 0);
  }
  EXPECT_NE(GetDlgCtrlID(Control(kIdCommand1)), IDOK);
  EXPECT_NE(GetDlgCtrlID(Control(kIdCommand1)), IDCANCEL);
}

// ---- the grid as set up by the load sequence
// ----------------------------------

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
  EXPECT_EQ(e2e::ColumnWidth(grid, 0), e2e::TwipsToPixels(4914, dpi_x_));
  EXPECT_EQ(e2e::ColumnWidth(grid, 1),
            client.right - e2e::ColumnWidth(grid, 0));
  if (dpi_x_ == 96) {
    EXPECT_EQ(e2e::ColumnWidth(grid, 0), 328);
    EXPECT_EQ(e2e::ColumnWidth(grid, 1), 136);
  }
}

TEST_F(GridSetUp, TheGridCarriesTheOnlyTooltip) {
  std::vector<e2e::ToolText> tools = e2e::TooltipTexts(app_->ProcessId());
  std::vector<e2e::ToolText> with_text;
  for (const auto& tool : tools) {
    if (!tool.text.empty()) with_text.push_back(tool);
  }
  ASSERT_EQ(with_text.size(), 1u);
  EXPECT_EQ(with_text[0].text, L"Pulse Suprimir para eliminar la linea");
  EXPECT_EQ(with_text[0].tool_window, Control(kIdGrid));
}

// ---- keyboard
// -------------------------------------------------------------------

using Keyboard = NoServerWindow;

TEST_F(Keyboard, FocusStartsOnTheServerChooserAndTabKeepsItThere) {
  ASSERT_TRUE(e2e::WaitFor([&] { return Focus() == Control(kIdCombo1); }))
      << "first enabled tab stop gets the focus";
  // The only enabled tab stop in this state.
  e2e::PostKey(Focus(), VK_TAB);
  e2e::Sync(Main());
  EXPECT_EQ(Focus(), Control(kIdCombo1));
}

TEST_F(Keyboard, TabVisitsTheControlsInOrderSkippingDisabledOnes) {
  // Enable every control from outside so the whole cycle can be seen.
  for (int id : {kIdCommand1, kIdCommand2, kIdGrid, kIdCommand3, kIdCommand4}) {
    EnableWindow(Control(id), TRUE);
  }
  ASSERT_TRUE(e2e::WaitFor([&] { return Focus() == Control(kIdCombo1); }));
  const std::vector<int> cycle = {kIdCommand1, kIdCommand2, kIdGrid,
                                  kIdCommand3, kIdCommand4, kIdCombo1};
  for (int id : cycle) {
    e2e::PostKey(Focus(), VK_TAB);
    EXPECT_TRUE(e2e::WaitFor([&] { return Focus() == Control(id); }, 2000))
        << "expected control " << id << ", focus on id "
        << GetDlgCtrlID(Focus());
  }
  EnableWindow(Control(kIdCommand2), FALSE);
  EnableWindow(Control(kIdGrid), FALSE);
  for (int id : {kIdCommand1, kIdCommand3}) {
    e2e::PostKey(Focus(), VK_TAB);
    EXPECT_TRUE(e2e::WaitFor([&] { return Focus() == Control(id); }, 2000))
        << "expected control " << id << ", focus on id "
        << GetDlgCtrlID(Focus());
  }
}

TEST_F(Keyboard, ShiftTabGoesBackwards) {
  for (int id : {kIdCommand1, kIdCommand2, kIdGrid, kIdCommand3, kIdCommand4}) {
    EnableWindow(Control(id), TRUE);
  }
  ASSERT_TRUE(e2e::WaitFor([&] { return Focus() == Control(kIdCombo1); }));
  for (int id : {kIdCommand4, kIdCommand3, kIdGrid}) {
    ASSERT_TRUE(e2e::SendChord(*app_, {VK_SHIFT, VK_TAB}));
    EXPECT_TRUE(e2e::WaitFor([&] { return Focus() == Control(id); }, 2000))
        << "expected control " << id << ", focus on id "
        << GetDlgCtrlID(Focus());
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
  ASSERT_TRUE(e2e::WaitFor([&] { return Focus() == Control(kIdCombo1); }));
  for (int i = 0; i < 4; ++i) {
    e2e::PostKey(Focus(), VK_TAB);
    e2e::Sync(Main());
    EXPECT_EQ(Focus(), Control(kIdCombo1));
  }
}

TEST_F(Keyboard, EnterAndEscapePressNoButtonWhereverTheFocusIs) {
  // Conectar, if it were pressed, would try to connect and report a failure.
  EnableWindow(Control(kIdCommand1), TRUE);
  EnableWindow(Control(kIdCommand2), TRUE);
  const std::vector<bool> flags = EnabledFlags();
  ASSERT_TRUE(e2e::WaitFor([&] { return Focus() == Control(kIdCombo1); }));
  for (int stop = 0; stop < 3; ++stop) {
    HWND focus = Focus();
    SCOPED_TRACE(GetDlgCtrlID(focus));
    for (UINT key : {UINT{VK_RETURN}, UINT{VK_ESCAPE}}) {
      e2e::PostKey(focus, key);
      EXPECT_FALSE(MessageBoxAppears()) << "key " << key;
      EXPECT_EQ(e2e::WindowText(Main()), kDisconnectedTitle);
      EXPECT_EQ(EnabledFlags(), flags);
      EXPECT_TRUE(app_->Running());
      EXPECT_EQ(Focus(), focus);
    }
    e2e::PostKey(focus, VK_TAB);
    e2e::WaitFor([&] { return Focus() != focus; }, 2000);
  }
}

TEST_F(Keyboard, SpaceOnAFocusedButtonDoesPressIt) {
  // The counterpart of the test above: a pressed Conectar is seen.
  EnableWindow(Control(kIdCommand1), TRUE);
  ASSERT_TRUE(e2e::WaitFor([&] { return Focus() == Control(kIdCombo1); }));
  e2e::PostKey(Focus(), VK_TAB);
  ASSERT_TRUE(
      e2e::WaitFor([&] { return Focus() == Control(kIdCommand1); }, 2000));
  e2e::PostKey(Focus(), VK_SPACE);
  auto box = e2e::WaitMessageBox(app_->ThreadId(), 10000);
  ASSERT_TRUE(box.has_value()) << "connecting to no server shows its error";
  EXPECT_EQ(box->caption, L"Velmora");
  e2e::AnswerMessageBox(box->hwnd, IDOK);
  EXPECT_TRUE(e2e::WaitFor(
      [&] { return !e2e::FindMessageBox(app_->ThreadId()).has_value(); }));
}

TEST_F(Keyboard, TypingIntoTheServerChooserCreatesNoName) {
  HWND combo = Control(kIdCombo1);
  for (wchar_t c : std::wstring(L"LOCAL")) {
    PostMessageW(combo, WM_CHAR, c, 1);
  }
  e2e::Sync(Main());
  EXPECT_TRUE(e2e::ComboItems(combo).empty());
  EXPECT_EQ(e2e::WindowText(combo), L"");
  EXPECT_EQ(e2e::ComboSelection(combo), CB_ERR);
}

// With two servers registered nothing connects at load, and the chooser and
// "Conectar" are the enabled tab stops.
TEST(KeyboardTwoServers, TabCyclesChooserAndConectarAndEnterPressesNothing) {
  e2e::RegistrySeeder registry;
  ASSERT_TRUE(registry.SetMultiString(
      e2e::View::k32, L"SOFTWARE\\Microsoft\\Microsoft SQL Server",
      L"InstalledInstances", {L"MSSQLSERVER", L"SQLEXPRESS"}));
  e2e::App app = e2e::App::Start();
  ASSERT_NE(app.Main(), nullptr);
  ASSERT_TRUE(app.WaitShown());
  auto focus = [&] { return e2e::FocusedWindow(app.ThreadId()); };
  HWND combo = app.Control(kIdCombo1);
  HWND conectar = app.Control(kIdCommand1);
  ASSERT_GE(e2e::ComboItems(combo).size(), 2u);
  ASSERT_TRUE(e2e::Enabled(conectar));
  ASSERT_FALSE(e2e::Enabled(app.Control(kIdCommand2)));
  ASSERT_TRUE(e2e::WaitFor([&] { return focus() == combo; }));
  for (HWND next : {conectar, combo, conectar}) {
    e2e::PostKey(focus(), VK_TAB);
    EXPECT_TRUE(e2e::WaitFor([&] { return focus() == next; }, 2000))
        << "focus on id " << GetDlgCtrlID(focus());
  }
  // Pressing "Conectar" would try the connection and report its failure.
  for (UINT key : {UINT{VK_RETURN}, UINT{VK_ESCAPE}}) {
    e2e::PostKey(conectar, key);
    e2e::Sync(app.Main());
    EXPECT_FALSE(e2e::WaitMessageBox(app.ThreadId(), 700).has_value())
        << "key " << key;
    EXPECT_EQ(e2e::WindowText(app.Main()), kDisconnectedTitle);
    EXPECT_TRUE(e2e::Enabled(conectar));
  }
}

// ---- resizing and closing
// --------------------------------------------------------

using Resize = NoServerWindow;

TEST_F(Resize, NothingMovesWhenTheWindowGrowsOrShrinks) {
  std::vector<RECT> before;
  for (const Placed& p : Layout()) {
    before.push_back(e2e::PlaceInParent(Control(p.id)));
  }
  RECT frame{};
  GetWindowRect(Main(), &frame);
  const SIZE client = e2e::ClientSize(Main());
  for (int grow : {300, -150}) {
    SetWindowPos(Main(), nullptr, 0, 0, frame.right - frame.left + grow,
                 frame.bottom - frame.top + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    e2e::Sync(Main());
    SIZE now = e2e::ClientSize(Main());
    ASSERT_EQ(now.cx, client.cx + grow) << "the window did not resize";
    for (size_t i = 0; i < Layout().size(); ++i) {
      RECT after = e2e::PlaceInParent(Control(Layout()[i].id));
      EXPECT_TRUE(EqualRect(&after, &before[i]))
          << Layout()[i].name << " moved to " << Describe(after);
    }
  }
}

TEST_F(Resize, ClosingEndsTheProgramWithoutAPrompt) {
  PostMessageW(Main(), WM_CLOSE, 0, 0);
  std::optional<DWORD> code = app_->WaitExit(5000);
  EXPECT_TRUE(code.has_value()) << "still running after WM_CLOSE";
  EXPECT_FALSE(e2e::FindMessageBox(app_->ThreadId()).has_value());
}

// ---- a picture for people
// ----------------------------------------------------------

TEST_F(NoServerWindow, ScreenshotIsWrittenAndShowsTheControls) {
  std::wstring name = L"quorvel-window";
  if (dpi_x_ != 96) name += L"-" + std::to_wstring(dpi_x_) + L"dpi";
  const std::wstring path = e2e::OutputDir() + L"\\" + name + L".png";
  RedrawWindow(Main(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  e2e::Sync(Main());
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb = e2e::CaptureClient(Main(), width, height);
  ASSERT_FALSE(rgb.empty());
  // A drawn window has text and edges, not a single flat colour.
  size_t differing = 0;
  for (size_t i = 3; i < rgb.size(); i += 3) {
    if (rgb[i] != rgb[0] || rgb[i + 1] != rgb[1] || rgb[i + 2] != rgb[2]) {
      ++differing;
    }
  }
  EXPECT_GT(differing, rgb.size() / 3 / 100);
  ASSERT_TRUE(e2e::SaveClientPng(Main(), path)) << e2e::Narrow(path);
  DWORD attributes = GetFileAttributesW(path.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
}

}  // namespace
