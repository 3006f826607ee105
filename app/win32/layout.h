// What the window looks like: its frame, icon, font and where its controls
// stand. The start-up benchmark builds its same-controls window from it too.
#pragma once

#include "common/win32/windows_api.h"
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <array>
#include <cstdint>

#include "app/frm_adjuntar.h"
#include "app/win32/control_ids.h"
#include "common/win32/twips.h"
#include "files/win32/listview_grid.h"

namespace quorvel::app::win32 {

inline constexpr int32_t kClientWidthTwips = 7470;
inline constexpr int32_t kClientHeightTwips = 5160;
inline constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW;
inline constexpr wchar_t kGridTooltip[] =
    L"Pulse Suprimir para eliminar la linea";
// How far the server list drops, beyond the closed box.
inline constexpr int32_t kComboDropTwips = 2400;

// The title as placed, before the load sequence adds its suffix.
inline const wchar_t* TitleAsPlaced() {
  return reinterpret_cast<const wchar_t*>(app::kTitleBase);
}

enum class Kind { kLabel, kCombo, kButton, kGrid };

struct ControlPlace {
  Kind kind;
  const wchar_t* text;
  int32_t left, top, width, height;  // twips, client coordinates
  int id;
  bool enabled;
};

// Creation order is tab order.
inline constexpr std::array<ControlPlace, 9> kLayout{{
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

constexpr const wchar_t* ClassOf(Kind kind) {
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

constexpr DWORD StyleOf(Kind kind) {
  switch (kind) {
    case Kind::kLabel:
      return SS_LEFT | SS_NOPREFIX;
    case Kind::kCombo:
      return CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    case Kind::kButton:
      return BS_PUSHBUTTON | WS_TABSTOP;
    case Kind::kGrid:
      return files::win32::kListViewGridStyle | WS_TABSTOP;
  }
  return 0;
}

constexpr DWORD ExStyleOf(Kind kind) {
  return kind == Kind::kGrid ? WS_EX_CLIENTEDGE : 0;
}

// Registers the common control classes the window's controls belong to.
inline void InitControlClasses() {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof(classes);
  classes.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES;
  InitCommonControlsEx(&classes);
}

// The program's icon (resource 1) at the size of the given system metrics,
// one image picked from the group for each size the window class takes.
inline HICON LoadAppIcon(HINSTANCE instance, int width_metric,
                         int height_metric) {
  return static_cast<HICON>(LoadImageW(
      instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(width_metric),
      GetSystemMetrics(height_metric), 0));
}

// MS Sans Serif 8.25 pt regular, character set 0, at dpi_y pixels per inch.
inline HFONT CreateControlFont(int dpi_y) {
  return CreateFontW(-MulDiv(825, dpi_y, 7200), 0, 0, 0, FW_NORMAL, FALSE,
                     FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

// A closed drop-down list takes its height from the font. How the selection
// field's height maps to the box's differs between comctl32s, so steer it
// until the box has the laid-out height.
inline void FitClosedComboHeight(HWND combo, int wanted) {
  LRESULT field =
      SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int attempt = 0; attempt < 4 && field != CB_ERR; ++attempt) {
    RECT box{};
    GetWindowRect(combo, &box);
    const int height = box.bottom - box.top;
    if (height == wanted) return;
    field += wanted - height;
    if (field <= 0) return;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

// One control of the table as the window makes it: class, styles and place
// at the screen's DPI, the font, and the drop-down list's closed height.
// Null when the control could not be made.
inline HWND CreateLayoutControl(HWND parent, HINSTANCE instance,
                                const ControlPlace& place, int dpi_x, int dpi_y,
                                HFONT font) {
  int height = TwipsToPixels(place.height, dpi_y);
  if (place.kind == Kind::kCombo) {
    height += TwipsToPixels(kComboDropTwips, dpi_y);
  }
  const DWORD style = WS_CHILD | WS_VISIBLE | StyleOf(place.kind) |
                      (place.enabled ? 0 : WS_DISABLED);
  HWND control = CreateWindowExW(
      ExStyleOf(place.kind), ClassOf(place.kind), place.text, style,
      TwipsToPixels(place.left, dpi_x), TwipsToPixels(place.top, dpi_y),
      TwipsToPixels(place.width, dpi_x), height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), instance,
      nullptr);
  if (control == nullptr) return nullptr;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (place.kind == Kind::kCombo) {
    FitClosedComboHeight(control, TwipsToPixels(place.height, dpi_y));
  }
  return control;
}

}  // namespace quorvel::app::win32
