// Windows and controls of another process, read and worked through
// messages: window queries, the combo box, message boxes and keys.
#pragma once

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/windows_api.h"
#include "tests/e2e/process.h"

namespace e2e {

inline std::wstring WindowText(HWND hwnd) {
  std::array<wchar_t, 1024> buffer{};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(),
                           reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                           5000, &length)) {
    return {};
  }
  return std::wstring(buffer.data(), std::min<size_t>(length, buffer.size()));
}

inline std::wstring ClassName(HWND hwnd) {
  std::array<wchar_t, 256> buffer{};
  int n = GetClassNameW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
  return std::wstring(buffer.data(), static_cast<size_t>(std::max(n, 0)));
}

inline bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }
inline bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }
inline LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }

inline SIZE ClientSize(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

// The child's window rectangle in its parent's client coordinates.
inline RECT PlaceInParent(HWND child) {
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

inline int WindowDpi(HWND hwnd, bool vertical = false) {
  HDC dc = GetDC(hwnd);
  int dpi = GetDeviceCaps(dc, vertical ? LOGPIXELSY : LOGPIXELSX);
  ReleaseDC(hwnd, dc);
  return dpi;
}

inline HWND FocusedWindow(DWORD thread_id) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(thread_id, &info) ? info.hwndFocus : nullptr;
}

inline std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; static_cast<LRESULT>(i) < count; ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    if (length < 0) break;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(combo, CB_GETLBTEXT, i,
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    items.push_back(text);
  }
  return items;
}

inline int ComboSelection(HWND combo) {
  return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

// What a user's choice does: select, then tell the parent.
inline void ChooseComboItem(HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<std::pair<int, std::wstring>> buttons;  // id, caption
  bool has_icon = false;
  HWND icon_window = nullptr;  // the static (SS_ICON) showing the icon
  int default_id = 0;          // DM_GETDEFID; 0 when the box has none

  std::vector<int> ButtonIds() const {
    std::vector<int> ids;
    for (const auto& button : buttons) ids.push_back(button.first);
    return ids;
  }
};

inline std::optional<MessageBoxInfo> FindMessageBox(DWORD thread_id) {
  HWND box = FindTopWindow(
      [](HWND hwnd) { return Visible(hwnd) && ClassName(hwnd) == L"#32770"; },
      thread_id);
  if (!box) return std::nullopt;
  MessageBoxInfo info;
  info.hwnd = box;
  info.caption = WindowText(box);
  if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
  for (HWND child = GetWindow(box, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    std::wstring cls = ClassName(child);
    if (_wcsicmp(cls.c_str(), L"Button") == 0 && Visible(child)) {
      info.buttons.emplace_back(GetDlgCtrlID(child), WindowText(child));
    } else if (_wcsicmp(cls.c_str(), L"Static") == 0 &&
               (Style(child) & SS_TYPEMASK) == SS_ICON) {
      info.icon_window = child;
      info.has_icon =
          info.has_icon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
  }
  const LRESULT default_id = SendMessageW(box, DM_GETDEFID, 0, 0);
  if (HIWORD(default_id) == DC_HASDEFID) info.default_id = LOWORD(default_id);
  return info;
}

inline std::optional<MessageBoxInfo> WaitMessageBox(DWORD thread_id,
                                                    int timeout_ms = 5000) {
  std::optional<MessageBoxInfo> box;
  WaitFor([&] { return (box = FindMessageBox(thread_id)).has_value(); },
          timeout_ms);
  return box;
}

// Presses a button of a dialog or box, posted: its owner may be busy.
inline void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
inline void AnswerMessageBox(HWND box, int id) { PressButton(box, id); }

// WM_KEYDOWN/WM_KEYUP posted to one window; the program's dialog navigation
// sees them (Tab, Enter, Esc, Space, Delete).
inline void PostKey(HWND target, UINT vk) {
  UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  LPARAM down = 1 | static_cast<LPARAM>(scan << 16);
  LPARAM up = down | (1L << 30) | static_cast<LPARAM>(1UL << 31);
  PostMessageW(target, WM_KEYDOWN, vk, down);
  PostMessageW(target, WM_KEYUP, vk, up);
}

// Presses the keys in order and releases them in reverse, as real input to
// `window` brought to the front; modifiers show in GetKeyState there.
namespace detail {

// Real input goes to whichever window is in front once the X server has
// moved the focus, which may come a little after the call.
inline bool BringToFront(HWND window) {
  const HWND top = GetAncestor(window, GA_ROOT);
  if (GetForegroundWindow() == top) return true;
  SetForegroundWindow(top);
  return WaitFor([&] { return GetForegroundWindow() == top; });
}

inline INPUT Key(WORD vk, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = flags;
  return in;
}

// The keys in order, then their release in reverse, around the input between.
inline std::vector<INPUT> Held(std::initializer_list<WORD> keys,
                               const std::vector<INPUT>& between = {}) {
  std::vector<INPUT> inputs;
  for (WORD vk : keys) inputs.push_back(Key(vk, 0));
  inputs.insert(inputs.end(), between.begin(), between.end());
  for (auto it = keys.end(); it != keys.begin();) {
    inputs.push_back(Key(*--it, KEYEVENTF_KEYUP));
  }
  return inputs;
}

// Under Wine the input is refused (none of it taken) for a moment after the
// focus moved; it is then offered again.
inline bool Send(HWND window, std::vector<INPUT> inputs) {
  if (!BringToFront(window)) return false;
  UINT sent = 0;
  WaitFor([&] {
    sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(),
                     sizeof(INPUT));
    return sent != 0;
  });
  return sent == inputs.size();
}

}  // namespace detail

inline bool SendChord(HWND window, std::initializer_list<WORD> keys) {
  return detail::Send(window, detail::Held(keys)) && Sync(window);
}

// A real left click at a point of the window's client area, its top-level
// window brought to the front first, with the keys held down meanwhile.
inline bool SendClick(HWND window, POINT point,
                      std::initializer_list<WORD> held = {}) {
  ClientToScreen(window, &point);
  std::vector<INPUT> click;
  for (const DWORD action :
       {DWORD{MOUSEEVENTF_MOVE}, DWORD{MOUSEEVENTF_LEFTDOWN},
        DWORD{MOUSEEVENTF_LEFTUP}}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = action | MOUSEEVENTF_ABSOLUTE;
    click.push_back(in);
  }
  return detail::Send(window, detail::Held(held, click));
}

}  // namespace e2e
