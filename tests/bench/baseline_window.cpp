// The start-up benchmark's two baselines, built like Quorvel.exe (same
// toolchain, static, GUI subsystem) from this one source. With
// QUORVEL_SAME_CONTROLS, the floor: Quorvel's window with its nine controls,
// built from the same layout, font, icons and resources, and nothing behind
// them (no registry, no form, no COM); what Quorvel.exe takes beyond it is
// its own doing. Without, the least a window program does: the same window,
// empty.
#include "common/win32/windows_api.h"
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <iterator>

#include "app/win32/layout.h"

namespace {

namespace view = quorvel::app::win32;

LRESULT CALLBACK QuitWithWindow(HWND hwnd, UINT message, WPARAM wparam,
                                LPARAM lparam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

#ifdef QUORVEL_SAME_CONTROLS
// The grid as the form leaves it: two titled columns, the path column 70% of
// the grid, whole-row selection that stays visible.
void SetUpGrid(HWND grid, int grid_width_twips, int dpi_x) {
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP |
                   LVS_EX_LABELTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  wchar_t path[] = L"Ruta";
  wchar_t name[] = L"Base Datos";
  const int widths[] = {
      quorvel::TwipsToPixels(grid_width_twips * 7 / 10, dpi_x),
      quorvel::TwipsToPixels(100, dpi_x)};
  wchar_t* titles[] = {path, name};
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    info.fmt = LVCFMT_LEFT;
    info.cx = widths[column];
    info.pszText = titles[column];
    info.iSubItem = column;
    SendMessageW(grid, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&info));
  }
}

void AddGridTooltip(HWND window, HWND grid, HINSTANCE instance) {
  HWND tooltip = CreateWindowExW(
      WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
      CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);
  wchar_t text[std::size(view::kGridTooltip)];
  lstrcpynW(text, view::kGridTooltip, static_cast<int>(std::size(text)));
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(grid);
  tool.lpszText = text;
  SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool CreateControls(HWND window, HINSTANCE instance, int dpi_x, int dpi_y,
                    HFONT font) {
  for (const view::ControlPlace& place : view::kLayout) {
    HWND control =
        view::CreateLayoutControl(window, instance, place, dpi_x, dpi_y, font);
    if (control == nullptr) return false;
    if (place.kind == view::Kind::kGrid) SetUpGrid(control, place.width, dpi_x);
  }
  AddGridTooltip(window, GetDlgItem(window, view::kIdGrid), instance);
  return true;
}

#endif

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = QuitWithWindow;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"QuorvelBaselineWindow";
#ifdef QUORVEL_SAME_CONTROLS
  view::InitControlClasses();
  window_class.hIcon = view::LoadAppIcon(instance, SM_CXICON, SM_CYICON);
  window_class.hIconSm = view::LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
#endif
  if (RegisterClassExW(&window_class) == 0) return 1;

  HDC screen = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT frame{0, 0, quorvel::TwipsToPixels(view::kClientWidthTwips, dpi_x),
             quorvel::TwipsToPixels(view::kClientHeightTwips, dpi_y)};
  AdjustWindowRectEx(&frame, view::kFrameStyle, FALSE, 0);
  HWND window = CreateWindowExW(
      WS_EX_CONTROLPARENT, window_class.lpszClassName, view::TitleAsPlaced(),
      view::kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
      frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
#ifdef QUORVEL_SAME_CONTROLS
  if (!CreateControls(window, instance, dpi_x, dpi_y,
                      view::CreateControlFont(dpi_y))) {
    return 1;
  }
#endif
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
