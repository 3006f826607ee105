// Windows and controls of another process, read and worked through
// messages: window queries, the combo box, message boxes, keys, and the
// ListView, its header and the tooltips of a window. Those last work from
// within the window's process too: their messages carry pointers that are
// not marshalled across processes, so what they point at is put into the
// window's process first.
#pragma once

#include "common/win32/windows_api.h"
// The common controls header needs the base types above.
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <initializer_list>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/e2e/process.h"
#include "tests/support/support.h"

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

// Real input goes to whichever window is in front once the X server has
// moved the focus, which may come a little after the call. Under Wine the
// input is refused (none of it taken) for a moment after the focus moved;
// it is then offered again.
inline bool Send(HWND window, std::vector<INPUT> inputs) {
  const HWND top = GetAncestor(window, GA_ROOT);
  if (GetForegroundWindow() != top) {
    SetForegroundWindow(top);
    if (!WaitFor([&] { return GetForegroundWindow() == top; })) return false;
  }
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

inline constexpr size_t kRemoteTextChars = 1024;

// Sends message with `item` copied into the window's process and, when
// `text` names its text field, that field aimed at room for text there.
// `item` comes back as the window left it; the text read is returned.
template <class Item>
std::wstring SendRemote(HWND window, UINT message, WPARAM wparam, Item& item,
                        std::type_identity_t<LPWSTR Item::*> text = nullptr,
                        LRESULT* result = nullptr) {
  constexpr size_t kTextBytes = kRemoteTextChars * sizeof(wchar_t);
  const UniqueHandle process(
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                  FALSE, ProcessOf(window)));
  auto* remote = process
                     ? static_cast<char*>(VirtualAllocEx(
                           process.get(), nullptr, sizeof(Item) + kTextBytes,
                           MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
                     : nullptr;
  const auto put = [&](size_t offset, const void* from, size_t size) {
    SIZE_T done = 0;
    return remote != nullptr &&
           WriteProcessMemory(process.get(), remote + offset, from, size,
                              &done) &&
           done == size;
  };
  const auto get = [&](size_t offset, void* to, size_t size) {
    SIZE_T done = 0;
    return remote != nullptr &&
           ReadProcessMemory(process.get(), remote + offset, to, size, &done) &&
           done == size;
  };
  std::wstring read(kRemoteTextChars, L'\0');
  if (text != nullptr) {
    item.*text = reinterpret_cast<LPWSTR>(remote + sizeof(Item));
    put(sizeof(Item), read.data(), sizeof(wchar_t));
  }
  LRESULT sent = 0;
  if (put(0, &item, sizeof(Item))) {
    sent =
        SendMessageW(window, message, wparam, reinterpret_cast<LPARAM>(remote));
    get(0, &item, sizeof(Item));
  }
  const bool got_text =
      text != nullptr && get(sizeof(Item), read.data(), kTextBytes);
  if (remote != nullptr) VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  if (result != nullptr) *result = sent;
  if (!got_text) return {};
  read.resize(wcsnlen(read.c_str(), kRemoteTextChars));
  return read;
}

inline int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

inline std::wstring ListCell(HWND list, int item, int column) {
  LVITEMW lvi{};
  lvi.iSubItem = column;
  lvi.cchTextMax = static_cast<int>(kRemoteTextChars);
  return SendRemote(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), lvi,
                    &LVITEMW::pszText);
}

// The next item after `after` in that state, or -1.
inline int ListNextRow(HWND list, int after, LPARAM state) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), state));
}

inline int ListFocusedRow(HWND list) {  // -1 when none
  return ListNextRow(list, -1, LVNI_FOCUSED);
}

inline std::vector<int> ListSelectedRows(HWND list) {
  std::vector<int> rows;
  for (int item = ListNextRow(list, -1, LVNI_SELECTED);
       item >= 0 && (rows.empty() || item > rows.back());
       item = ListNextRow(list, item, LVNI_SELECTED)) {
    rows.push_back(item);
  }
  return rows;
}

// Focuses and selects one item only, as a click on it would.
inline bool SetListCurrent(HWND list, int item) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendRemote(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), none);
  LVITEMW current = none;
  current.state = LVIS_SELECTED | LVIS_FOCUSED;
  LRESULT done = 0;
  SendRemote(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), current,
             nullptr, &done);
  return done != 0;
}

// The item's place in the list's client area: its bounds, its icon, ...
inline RECT ListItemRect(HWND list, int item, LONG part = LVIR_BOUNDS) {
  RECT place{part, 0, 0, 0};
  SendRemote(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), place);
  return place;
}

inline std::vector<std::wstring> HeaderTexts(HWND list) {
  std::vector<std::wstring> texts;
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int count =
      header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0))
             : 0;
  for (int i = 0; i < count; ++i) {
    HDITEMW hdi{};
    hdi.mask = HDI_TEXT;
    hdi.cchTextMax = static_cast<int>(kRemoteTextChars);
    texts.push_back(SendRemote(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                               hdi, &HDITEMW::pszText));
  }
  return texts;
}

inline int ColumnWidth(HWND list, int column) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// The item's image, as LVM_GETITEMW with LVIF_IMAGE reads it.
inline int ListImage(HWND list, int item) {
  LVITEMW lvi{};
  lvi.mask = LVIF_IMAGE;
  lvi.iItem = item;
  SendRemote(list, LVM_GETITEMW, 0, lvi);
  return lvi.iImage;
}

struct ToolText {
  HWND tool_window;  // uId when the tool is a window (TTF_IDISHWND)
  std::wstring text;
};

// Every tool with a text of every tooltip window of the process.
inline std::vector<ToolText> TooltipTexts(DWORD pid) {
  std::vector<HWND> tips;
  FindTopWindow([&](HWND hwnd) {
    if (ProcessOf(hwnd) == pid && ClassName(hwnd) == TOOLTIPS_CLASSW) {
      tips.push_back(hwnd);
    }
    return false;  // on to the next one
  });
  std::vector<ToolText> result;
  for (HWND tip : tips) {
    int count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = sizeof(info);
      LRESULT listed = 0;
      std::wstring text =
          SendRemote(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), info,
                     &TTTOOLINFOW::lpszText, &listed);
      if (!listed) continue;
      if (text.empty()) {
        // Ask again by identity; some tools keep their text elsewhere.
        text = SendRemote(tip, TTM_GETTEXTW, kRemoteTextChars, info,
                          &TTTOOLINFOW::lpszText);
      }
      HWND tool = (info.uFlags & TTF_IDISHWND)
                      ? reinterpret_cast<HWND>(info.uId)
                      : info.hwnd;
      if (!text.empty()) result.push_back(ToolText{tool, text});
    }
  }
  return result;
}

}  // namespace e2e
