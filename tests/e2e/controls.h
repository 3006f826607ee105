// Windows and controls of another process, read and worked through
// messages: window queries, the combo box, message boxes and keys.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"

namespace e2e {

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
bool Enabled(HWND hwnd);
bool Visible(HWND hwnd);
LONG Style(HWND hwnd);
SIZE ClientSize(HWND hwnd);
// The child's window rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND child);
int WindowDpi(HWND hwnd, bool vertical = false);
HWND FocusedWindow(DWORD thread_id);

std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);
// What a user's choice does: select, then tell the parent.
void ChooseComboItem(HWND combo, int index);

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<std::pair<int, std::wstring>> buttons;  // id, caption
  bool has_icon = false;
  HWND icon_window = nullptr;  // the static (SS_ICON) showing the icon
  int default_id = 0;          // DM_GETDEFID; 0 when the box has none

  std::vector<int> ButtonIds() const;
};
std::optional<MessageBoxInfo> FindMessageBox(DWORD thread_id);
std::optional<MessageBoxInfo> WaitMessageBox(DWORD thread_id,
                                             int timeout_ms = 5000);
// Posted: the box's owner may be busy.
void AnswerMessageBox(HWND box, int id);

// WM_KEYDOWN/WM_KEYUP posted to one window; the program's dialog navigation
// sees them (Tab, Enter, Esc, Space, Delete).
void PostKey(HWND target, UINT vk);
// Presses the keys in order and releases them in reverse, as real input to
// `window` brought to the front; modifiers show in GetKeyState there.
bool SendChord(HWND window, std::initializer_list<WORD> keys);
// A real left click at a point of the window's client area, its top-level
// window brought to the front first, with the keys held down meanwhile.
bool SendClick(HWND window, POINT point, std::initializer_list<WORD> held = {});

}  // namespace e2e
