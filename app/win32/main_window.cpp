#include "app/win32/main_window.h"

#include <commctrl.h>

#include <array>

#include "app/win32/control_ids.h"
#include "app/win32/layout.h"

namespace quorvel::app::win32 {
namespace {

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

}  // namespace

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &MainWindow::Procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadAppIcon(instance, SM_CXICON, SM_CYICON);
  window_class.hIconSm = LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
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
  if (CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, TitleAsPlaced(),
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
  return self;
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool MainWindow::CreateControls(HINSTANCE instance) {
  font_.Reset(CreateControlFont(dpi_y_));
  for (const ControlPlace& place : kLayout) {
    HWND control = CreateLayoutControl(window_, instance, place, dpi_x_, dpi_y_,
                                       font_.get());
    if (control == nullptr) return false;
    if (place.kind == Kind::kGrid) grid_.emplace(control, place.width, dpi_x_);
  }

  form_window_.emplace(window_);
  combo1_.emplace(GetDlgItem(window_, kIdCombo1));
  command1_.emplace(GetDlgItem(window_, kIdCommand1));
  command2_.emplace(GetDlgItem(window_, kIdCommand2));
  command3_.emplace(GetDlgItem(window_, kIdCommand3));
  command4_.emplace(GetDlgItem(window_, kIdCommand4));
  label3_.emplace(GetDlgItem(window_, kIdLabel3));
  messages_.emplace(window_, &*form_window_);
  file_dialog_.SetOwner(window_);
  ado_.SetOwner(window_);
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
  // The tooltip subclasses the grid, and under Wine every message through
  // that subclass looks up window properties on the server: it comes once
  // the load sequence has set the grid up, still before the window shows.
  if (tooltip_ == nullptr) {
    CreateTooltip(reinterpret_cast<HINSTANCE>(
        GetWindowLongPtrW(window_, GWLP_HINSTANCE)));
  }
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
  if (form_window_ &&
      message == form_window_->Taskbar().ButtonCreatedMessage()) {
    form_window_->Taskbar().OnButtonCreated();
    return 0;
  }
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_ACTIVATE:
      OnActivate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:
      FocusFirstControl();
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      return DefWindowProcW(window_, message, wparam, lparam);
    case WM_SYSCOMMAND:
      return OnSysCommand(wparam, lparam);
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
    case NM_CUSTOMDRAW:
      return grid_->CustomDraw(
          *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
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

// The focus leaves with the window and comes back to the control that had it.
void MainWindow::OnActivate(bool active) {
  if (active) {
    FocusFirstControl();
    return;
  }
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window_, focus)) saved_focus_ = focus;
}

// The default handling ignores SC_CLOSE while a box of a handler has the
// window disabled; the taskbar sends it all the same.
LRESULT MainWindow::OnSysCommand(WPARAM command, LPARAM lparam) {
  if ((command & 0xFFF0) != SC_CLOSE) {
    return DefWindowProcW(window_, WM_SYSCOMMAND, command, lparam);
  }
  OnClose();
  return 0;
}

// The wait cursor while a handler is busy with the server; with a box of the
// handler up, the box's arrow.
bool MainWindow::OnSetCursor() {
  if (!form_window_ || !form_window_->Busy() || messages_->Showing()) {
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

}  // namespace quorvel::app::win32
