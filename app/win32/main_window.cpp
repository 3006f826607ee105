#include "app/win32/main_window.h"

#include <commctrl.h>

#include <array>

#include "app/win32/control_ids.h"

namespace quorvel::view {
namespace {

constexpr int32_t kClientWidthTwips = 7470;
constexpr int32_t kClientHeightTwips = 5160;
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW;
constexpr wchar_t kTitleAsPlaced[] = L"Adjuntar Base de datos Sql server.";
constexpr wchar_t kGridTooltip[] = L"Pulse Suprimir para eliminar la linea";
// How far the server list drops, beyond the closed box.
constexpr int32_t kComboDropTwips = 2400;

enum class Kind { kLabel, kCombo, kButton, kGrid };

struct ControlPlace {
  Kind kind;
  const wchar_t* text;
  int32_t left, top, width, height;  // twips, client coordinates
  int id;
  bool enabled;
};

// Creation order is tab order.
constexpr std::array<ControlPlace, 9> kLayout{{
    {Kind::kLabel, L"Servidor", 75, 150, 735, 270, kIdLabel1, true},
    {Kind::kCombo, L"", 840, 120, 2025, 315, kIdCombo1, true},
    {Kind::kButton, L"Conectar", 5025, 120, 1080, 255, kIdCommand1, true},
    {Kind::kButton, L"Desconectar", 6105, 120, 1080, 255, kIdCommand2, true},
    {Kind::kGrid, L"", 120, 960, 7020, 3435, kIdGrid, false},
    {Kind::kButton, L"Seleccionar Ficheros", 4230, 4485, 1890, 255, kIdCommand3,
     false},
    {Kind::kButton, L"Adjuntar", 6135, 4485, 1035, 255, kIdCommand4, false},
    {Kind::kLabel, L"Version", 75, 495, 735, 270, kIdLabel2, true},
    {Kind::kLabel, L"", 1005, 525, 1950, 285, kIdLabel3, true},
}};

const wchar_t* ClassOf(Kind kind) {
  switch (kind) {
    case Kind::kLabel:
      return WC_STATICW;
    case Kind::kCombo:
      return WC_COMBOBOXW;
    case Kind::kButton:
      return WC_BUTTONW;
    case Kind::kGrid:
      return WC_LISTVIEWW;
  }
  return WC_STATICW;
}

DWORD StyleOf(Kind kind) {
  switch (kind) {
    case Kind::kLabel:
      return SS_LEFT | SS_NOPREFIX;
    case Kind::kCombo:
      return CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    case Kind::kButton:
      return BS_PUSHBUTTON | WS_TABSTOP;
    case Kind::kGrid:
      return kListViewGridStyle | WS_TABSTOP;
  }
  return 0;
}

struct ScreenDpi {
  int x = 96;
  int y = 96;
};

ScreenDpi ReadScreenDpi() {
  ScreenDpi dpi;
  if (HDC screen = GetDC(nullptr)) {
    dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

int Height(const RECT& rect) { return rect.bottom - rect.top; }
int Width(const RECT& rect) { return rect.right - rect.left; }

// A closed drop-down list takes its height from the font. How the selection
// field's height maps to the box's differs between comctl32s, so steer it
// until the box has the laid-out height.
void FitClosedComboHeight(HWND combo, int wanted) {
  LRESULT field =
      SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int attempt = 0; attempt < 4 && field != CB_ERR; ++attempt) {
    RECT box{};
    GetWindowRect(combo, &box);
    if (Height(box) == wanted) return;
    field += wanted - Height(box);
    if (field <= 0) return;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &MainWindow::Procedure;
  window_class.hInstance = instance;
  // The system takes the small icon from the same group.
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kMainWindowClass;
  if (RegisterClassExW(&window_class) == 0 &&
      GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return nullptr;
  }

  std::unique_ptr<MainWindow> self(new MainWindow());
  const ScreenDpi dpi = ReadScreenDpi();
  self->dpi_x_ = dpi.x;
  self->dpi_y_ = dpi.y;

  const int client_width = TwipsToPixels(kClientWidthTwips, dpi.x);
  const int client_height = TwipsToPixels(kClientHeightTwips, dpi.y);
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, kFrameStyle, FALSE, 0);
  if (CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, kTitleAsPlaced,
                      kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT, Width(frame),
                      Height(frame), nullptr, nullptr, instance,
                      self.get()) == nullptr) {
    return nullptr;
  }
  // Frame metrics can differ from what AdjustWindowRectEx assumed: make the
  // client area exactly the laid-out size.
  RECT client{};
  GetClientRect(self->window_, &client);
  if (Width(client) != client_width || Height(client) != client_height) {
    RECT outer{};
    GetWindowRect(self->window_, &outer);
    SetWindowPos(self->window_, nullptr, 0, 0,
                 Width(outer) + client_width - Width(client),
                 Height(outer) + client_height - Height(client),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!self->CreateControls(instance)) return nullptr;
  self->CreateTooltip(instance);
  return self;
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool MainWindow::CreateControls(HINSTANCE instance) {
  // MS Sans Serif 8.25 pt regular, character set 0.
  font_.reset(CreateFontW(-MulDiv(825, dpi_y_, 7200), 0, 0, 0, FW_NORMAL, FALSE,
                          FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif"));
  for (const ControlPlace& place : kLayout) {
    const int left = TwipsToPixels(place.left, dpi_x_);
    const int top = TwipsToPixels(place.top, dpi_y_);
    const int width = TwipsToPixels(place.width, dpi_x_);
    int height = TwipsToPixels(place.height, dpi_y_);
    if (place.kind == Kind::kCombo)
      height += TwipsToPixels(kComboDropTwips, dpi_y_);
    const DWORD style = WS_CHILD | WS_VISIBLE | StyleOf(place.kind) |
                        (place.enabled ? 0 : WS_DISABLED);
    const DWORD ex_style = place.kind == Kind::kGrid ? WS_EX_CLIENTEDGE : 0;
    HWND control =
        CreateWindowExW(ex_style, ClassOf(place.kind), place.text, style, left,
                        top, width, height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)),
                        instance, nullptr);
    if (control == nullptr) return false;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()),
                 FALSE);
    if (place.kind == Kind::kCombo) {
      FitClosedComboHeight(control, TwipsToPixels(place.height, dpi_y_));
    }
    if (place.kind == Kind::kGrid) grid_.emplace(control, place.width, dpi_x_);
  }

  form_window_.emplace(window_);
  combo1_.emplace(GetDlgItem(window_, kIdCombo1));
  command1_.emplace(GetDlgItem(window_, kIdCommand1));
  command2_.emplace(GetDlgItem(window_, kIdCommand2));
  command3_.emplace(GetDlgItem(window_, kIdCommand3));
  command4_.emplace(GetDlgItem(window_, kIdCommand4));
  label3_.emplace(GetDlgItem(window_, kIdLabel3));
  messages_.emplace(window_);
  file_dialog_.SetOwner(window_);
  form_ = std::make_unique<FrmAdjuntar>(
      FormControls{*form_window_, *combo1_, *command1_, *command2_, *command3_,
                   *command4_, *label3_, *grid_, file_dialog_, *messages_},
      FormServices{registry_, ado_});
  return true;
}

void MainWindow::CreateTooltip(HINSTANCE instance) {
  tooltip_ = CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
  if (tooltip_ == nullptr) return;
  TTTOOLINFOW tool{};
  // The version-2 size works with every comctl32, with or without v6.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(grid_->Handle());
  wchar_t text[sizeof(kGridTooltip) / sizeof(wchar_t)];
  lstrcpynW(text, kGridTooltip, static_cast<int>(std::size(text)));
  tool.lpszText = text;
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainWindow::Load() {
  if (form_) form_->Form_Load();
  grid_->ShowAddedRows();
}

bool MainWindow::HandleDialogMessage(MSG& message) {
  if (window_ == nullptr) return false;
  // The ListView reports only plain key-downs; Alt combinations are keys of
  // the grid all the same.
  if (message.message == WM_SYSKEYDOWN && message.hwnd == grid_->Handle()) {
    OnGridKey(static_cast<WORD>(message.wParam));
  }
  if (!IsDialogMessageW(window_, &message)) return false;
  if (message.message == WM_KEYDOWN) KeepNoDefaultButton();
  return true;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<MainWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self =
      reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return self->Handle(message, wparam, lparam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) saved_focus_ = focus;
      } else {
        FocusFirstControl();
      }
      return 0;
    case WM_SETFOCUS:
      FocusFirstControl();
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      return DefWindowProcW(window_, message, wparam, lparam);
    case WM_SYSCOMMAND:
      // The default handling ignores SC_CLOSE while a box of a handler has
      // the window disabled; the taskbar sends it all the same.
      if ((wparam & 0xFFF0) != SC_CLOSE) {
        return DefWindowProcW(window_, message, wparam, lparam);
      }
      OnClose();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_ENDSESSION:
      if (wparam != FALSE) OnClose();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

void MainWindow::OnCommand(int id, int code, HWND control) {
  // Enter and Esc arrive as IDOK and IDCANCEL without a control: ignored.
  if (form_ == nullptr || control == nullptr) return;
  if (id == kIdCombo1) {
    if (code == CBN_SELCHANGE) form_->Combo1_Click();
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kIdCommand1:
      form_->Command1_Click();
      break;
    case kIdCommand2:
      form_->Command2_Click();
      break;
    case kIdCommand3:
      form_->Command3_Click();
      break;
    case kIdCommand4:
      form_->Command4_Click();
      break;
    default:
      return;
  }
  // Whoever looks at the grid next sees every row the handler added.
  grid_->ShowAddedRows();
  KeepFocusAfter(control);
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  if (!grid_ || header.hwndFrom != grid_->Handle()) return 0;
  switch (header.code) {
    case LVN_GETDISPINFOW:
      grid_->FillDisplayInfo(
          *reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
      return 0;
    case LVN_KEYDOWN:
      OnGridKey(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
      return 0;
    case LVN_ODFINDITEMW:
      // No type-to-find: the cells are paths, not names to jump to.
      return -1;
    default:
      return 0;
  }
}

void MainWindow::OnGridKey(WORD key) {
  if (form_ == nullptr) return;
  int16_t key_code = static_cast<int16_t>(key);
  const int16_t shift = ShiftMask((GetKeyState(VK_SHIFT) & 0x8000) != 0,
                                  (GetKeyState(VK_CONTROL) & 0x8000) != 0,
                                  (GetKeyState(VK_MENU) & 0x8000) != 0);
  form_->vsFlexGrid1_KeyDown(key_code, shift);
  grid_->ShowAddedRows();
}

// While a call blocks the window no WM_SETCURSOR comes; this keeps the wait
// cursor should one come all the same. With a box of the handler up the
// window is disabled and the box's arrow shows.
bool MainWindow::OnSetCursor() {
  if (!form_window_ || !form_window_->Busy() || !IsWindowEnabled(window_)) {
    return false;
  }
  SetCursor(WaitCursor());
  return true;
}

// The window may close from under a box or the dialog of a running handler
// (from the taskbar, another program, the session ending): the handler stops
// where it is and the program ends once it returns.
void MainWindow::OnClose() {
  if (form_) form_->Form_Unload();
  DestroyWindow(window_);
}

void MainWindow::FocusFirstControl() {
  if (saved_focus_ != nullptr && IsWindow(saved_focus_) &&
      IsWindowEnabled(saved_focus_) && IsChild(window_, saved_focus_)) {
    SetFocus(saved_focus_);
    return;
  }
  HWND first = GetNextDlgTabItem(window_, nullptr, FALSE);
  if (first != nullptr) SetFocus(first);
}

void MainWindow::KeepFocusAfter(HWND control) {
  if (window_ == nullptr || GetActiveWindow() != window_) return;
  HWND focus = GetFocus();
  if (focus != nullptr && focus != window_ && IsWindowEnabled(focus)) return;
  HWND next = GetNextDlgTabItem(window_, control, FALSE);
  if (next != nullptr && IsWindowEnabled(next)) SetFocus(next);
}

// IsDialogMessage makes a push button that the Tab key reaches the default
// one, and Enter would then press it. This window has no default button.
void MainWindow::KeepNoDefaultButton() {
  for (const ControlPlace& place : kLayout) {
    if (place.kind != Kind::kButton) continue;
    HWND button = GetDlgItem(window_, place.id);
    if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      SendMessageW(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    }
  }
}

}  // namespace quorvel::view
