#include "tests/e2e/controls.h"

#include <algorithm>
#include <array>

#include "tests/e2e/process.h"

namespace e2e {

std::wstring WindowText(HWND hwnd) {
  std::array<wchar_t, 1024> buffer{};
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buffer.size(),
                           reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                           5000, &length)) {
    return {};
  }
  return std::wstring(buffer.data(), std::min<size_t>(length, buffer.size()));
}

std::wstring ClassName(HWND hwnd) {
  std::array<wchar_t, 256> buffer{};
  int n = GetClassNameW(hwnd, buffer.data(), static_cast<int>(buffer.size()));
  return std::wstring(buffer.data(), static_cast<size_t>(std::max(n, 0)));
}

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }
bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }
LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }

SIZE ClientSize(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT PlaceInParent(HWND child) {
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

int WindowDpi(HWND hwnd, bool vertical) {
  HDC dc = GetDC(hwnd);
  int dpi = GetDeviceCaps(dc, vertical ? LOGPIXELSY : LOGPIXELSX);
  ReleaseDC(hwnd, dc);
  return dpi;
}

HWND FocusedWindow(DWORD thread_id) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(thread_id, &info)) return nullptr;
  return info.hwndFocus;
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    WPARAM index = static_cast<WPARAM>(i);
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) break;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(combo, CB_GETLBTEXT, index,
                               reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    items.push_back(text);
  }
  return items;
}

int ComboSelection(HWND combo) {
  return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

void ChooseComboItem(HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  WPARAM command = MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE);
  SendMessageW(GetParent(combo), WM_COMMAND, command,
               reinterpret_cast<LPARAM>(combo));
}

namespace {

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32770") {
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<int> MessageBoxInfo::ButtonIds() const {
  std::vector<int> ids;
  for (const auto& button : buttons) ids.push_back(button.first);
  return ids;
}

std::optional<MessageBoxInfo> FindMessageBox(DWORD thread_id) {
  HWND box = nullptr;
  EnumThreadWindows(thread_id, FindBoxProc, reinterpret_cast<LPARAM>(&box));
  if (!box) return std::nullopt;
  MessageBoxInfo info;
  info.hwnd = box;
  info.owner = GetWindow(box, GW_OWNER);
  info.caption = WindowText(box);
  if (HWND text = GetDlgItem(box, 0xFFFF)) info.text = WindowText(text);
  for (HWND child = GetWindow(box, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    std::wstring cls = ClassName(child);
    if (_wcsicmp(cls.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
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

std::optional<MessageBoxInfo> WaitMessageBox(DWORD thread_id, int timeout_ms) {
  std::optional<MessageBoxInfo> box;
  WaitFor([&] { return (box = FindMessageBox(thread_id)).has_value(); },
          timeout_ms);
  return box;
}

void AnswerMessageBox(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void PostKey(HWND target, UINT vk) {
  UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  LPARAM down = 1 | static_cast<LPARAM>(scan << 16);
  LPARAM up = down | (1L << 30) | static_cast<LPARAM>(1UL << 31);
  PostMessageW(target, WM_KEYDOWN, vk, down);
  PostMessageW(target, WM_KEYUP, vk, up);
}

namespace {

// Real input goes to whichever window is in front once the X server has
// moved the focus, which may come a little after the call.
bool BringToFront(HWND window) {
  const HWND top = GetAncestor(window, GA_ROOT);
  if (GetForegroundWindow() == top) return true;
  SetForegroundWindow(top);
  return WaitFor([&] { return GetForegroundWindow() == top; });
}

INPUT Key(WORD vk, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = flags;
  return in;
}

// Under Wine the input is refused (none of it taken) for a moment after the
// focus moved; it is then offered again.
bool Send(std::vector<INPUT>& inputs) {
  UINT sent = 0;
  WaitFor([&] {
    sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(),
                     sizeof(INPUT));
    return sent != 0;
  });
  return sent == inputs.size();
}

}  // namespace

bool SendChord(HWND window, std::initializer_list<WORD> keys) {
  if (!BringToFront(window)) return false;
  std::vector<INPUT> inputs;
  for (WORD vk : keys) inputs.push_back(Key(vk, 0));
  for (auto it = keys.end(); it != keys.begin();) {
    inputs.push_back(Key(*--it, KEYEVENTF_KEYUP));
  }
  return Send(inputs) && Sync(window);
}

bool SendClick(HWND window, POINT point, std::initializer_list<WORD> held) {
  if (!BringToFront(window)) return false;
  ClientToScreen(window, &point);
  std::vector<INPUT> inputs;
  for (WORD vk : held) inputs.push_back(Key(vk, 0));
  for (const DWORD button :
       {DWORD{MOUSEEVENTF_MOVE}, DWORD{MOUSEEVENTF_LEFTDOWN},
        DWORD{MOUSEEVENTF_LEFTUP}}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(point.x, 65536, GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = MulDiv(point.y, 65536, GetSystemMetrics(SM_CYSCREEN));
    in.mi.dwFlags = button | MOUSEEVENTF_ABSOLUTE;
    inputs.push_back(in);
  }
  for (auto it = held.end(); it != held.begin();) {
    inputs.push_back(Key(*--it, KEYEVENTF_KEYUP));
  }
  return Send(inputs);
}

}  // namespace e2e
