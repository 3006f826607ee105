#include "tests/e2e/harness.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "app/win32/control_ids.h"
#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"

namespace e2e {

namespace {

using quorvel::com::ComPtr;

constexpr wchar_t kTitlePrefix[] = L"Adjuntar Base de datos Sql server.";
constexpr int kPollMs = 10;

std::wstring Env(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? value : L"";
}

REGSAM ViewFlag(View view) {
  return view == View::k64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

class Key {
 public:
  Key() = default;
  ~Key() {
    if (h_) RegCloseKey(h_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &h_; }
  HKEY get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

std::pair<std::wstring, std::wstring> SplitParent(const std::wstring& path) {
  size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return {L"", path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

// ---- paths -----------------------------------------------------------------

std::wstring ToWindowsPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  std::wstring out = L"Z:" + path;
  std::replace(out.begin(), out.end(), L'/', L'\\');
  return out;
}

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                              static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                              static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring QuorvelExe() {
  std::wstring env = Env(L"QUORVEL_EXE");
  if (!env.empty()) return ToWindowsPath(env);
  return ToWindowsPath(Widen(QUORVEL_E2E_EXE));
}

std::wstring OutputDir() {
  std::wstring env = Env(L"QUORVEL_E2E_OUT");
  if (!env.empty()) return ToWindowsPath(env);
  return ToWindowsPath(Widen(QUORVEL_E2E_OUT));
}

// ---- platform --------------------------------------------------------------

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// ---- waiting ---------------------------------------------------------------

bool WaitFor(const std::function<bool()>& cond, int timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (cond()) return true;
    if (GetTickCount() - start >= static_cast<DWORD>(timeout_ms)) {
      return cond();
    }
    Sleep(kPollMs);
  }
}

bool Sync(HWND hwnd, int timeout_ms) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL,
                             static_cast<UINT>(timeout_ms), &result) != 0;
}

// ---- handles ---------------------------------------------------------------

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& o) noexcept {
  if (this != &o) {
    if (*this) CloseHandle(h_);
    h_ = o.release();
  }
  return *this;
}

UniqueHandle::~UniqueHandle() {
  if (*this) CloseHandle(h_);
}

// ---- the program under test ------------------------------------------------

namespace {

struct MainSearch {
  DWORD pid;
  const std::wstring& cls;
  const std::wstring& prefix;
  HWND found;
};

BOOL CALLBACK FindMainProc(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<MainSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s->pid) return TRUE;
  if (ClassName(hwnd) == s->cls || WindowText(hwnd).rfind(s->prefix, 0) == 0) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindMainWindow(DWORD pid, const std::wstring& class_name,
                    const std::wstring& title_prefix) {
  MainSearch search{pid, class_name, title_prefix, nullptr};
  EnumWindows(FindMainProc, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

App App::Start(const std::wstring& exe, const std::wstring& arguments,
               int timeout_ms) {
  App app;
  std::wstring command = L"\"" + exe + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &si, &pi)) {
    return app;
  }
  app.process_ = UniqueHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  app.pid_ = pi.dwProcessId;
  app.tid_ = pi.dwThreadId;
  WaitForInputIdle(pi.hProcess, static_cast<DWORD>(timeout_ms));
  const std::wstring cls = quorvel::app::win32::kMainWindowClass;
  WaitFor(
      [&] {
        app.main_ = FindMainWindow(app.pid_, cls, kTitlePrefix);
        return app.main_ != nullptr || !app.Running();
      },
      timeout_ms);
  return app;
}

App::~App() { Kill(); }

bool App::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> App::WaitExit(int timeout_ms) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout_ms)) !=
      WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

void App::Kill() {
  if (!process_) return;
  if (Running()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
  process_ = UniqueHandle();
}

bool App::WaitShown(int timeout_ms) const {
  return main_ != nullptr &&
         WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, timeout_ms);
}

// ---- plain window queries ---------------------------------------------------

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

int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

HWND FocusedWindow(DWORD thread_id) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(thread_id, &info)) return nullptr;
  return info.hwndFocus;
}

// ---- combo box
// ---------------------------------------------------------------

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

// ---- list view
// ---------------------------------------------------------------

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size) : process_(process) {
  address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                            PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(size_t offset, const void* data, size_t size) {
  SIZE_T done = 0;
  return address_ &&
         WriteProcessMemory(process_, at<char>(offset), data, size, &done) &&
         done == size;
}

bool RemoteBuffer::Read(size_t offset, void* data, size_t size) const {
  SIZE_T done = 0;
  return address_ &&
         ReadProcessMemory(process_, at<char>(offset), data, size, &done) &&
         done == size;
}

std::wstring RemoteBuffer::ReadText(size_t offset, size_t max_chars) const {
  std::wstring text(max_chars, L'\0');
  if (!Read(offset, text.data(), max_chars * sizeof(wchar_t))) return {};
  text.resize(wcsnlen(text.c_str(), max_chars));
  return text;
}

namespace {

constexpr size_t kTextChars = 1024;

UniqueHandle OpenWindowProcess(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return UniqueHandle(OpenProcess(
      PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
}

}  // namespace

int ListRowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListCell(HWND list, int item, int column) {
  UniqueHandle process = OpenWindowProcess(list);
  RemoteBuffer remote(process.get(),
                      sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
  LVITEMW lvi{};
  lvi.iSubItem = column;
  lvi.pszText = remote.at<wchar_t>(sizeof(LVITEMW));
  lvi.cchTextMax = static_cast<int>(kTextChars);
  wchar_t nothing = L'\0';
  remote.Write(sizeof(LVITEMW), &nothing, sizeof(nothing));
  if (!remote.Write(0, &lvi, sizeof(lvi))) return {};
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(remote.address()));
  return remote.ReadText(sizeof(LVITEMW), kTextChars);
}

int ListFocusedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM,
                                       static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

std::vector<int> ListSelectedRows(HWND list) {
  std::vector<int> rows;
  int item = -1;
  for (;;) {
    item = static_cast<int>(SendMessageW(
        list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED));
    if (item < 0 || (!rows.empty() && item <= rows.back())) break;
    rows.push_back(item);
  }
  return rows;
}

bool SetListCurrent(HWND list, int item) {
  UniqueHandle process = OpenWindowProcess(list);
  RemoteBuffer remote(process.get(), sizeof(LVITEMW));
  LVITEMW lvi{};
  lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  lvi.state = 0;
  if (!remote.Write(0, &lvi, sizeof(lvi))) return false;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(remote.address()));
  lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!remote.Write(0, &lvi, sizeof(lvi))) return false;
  return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                      reinterpret_cast<LPARAM>(remote.address())) != 0;
}

std::vector<std::wstring> HeaderTexts(HWND list) {
  std::vector<std::wstring> texts;
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  if (!header) return texts;
  UniqueHandle process = OpenWindowProcess(header);
  RemoteBuffer remote(process.get(),
                      sizeof(HDITEMW) + kTextChars * sizeof(wchar_t));
  int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW hdi{};
    hdi.mask = HDI_TEXT;
    hdi.pszText = remote.at<wchar_t>(sizeof(HDITEMW));
    hdi.cchTextMax = static_cast<int>(kTextChars);
    wchar_t nothing = L'\0';
    remote.Write(sizeof(HDITEMW), &nothing, sizeof(nothing));
    remote.Write(0, &hdi, sizeof(hdi));
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(remote.address()));
    texts.push_back(remote.ReadText(sizeof(HDITEMW), kTextChars));
  }
  return texts;
}

int ColumnWidth(HWND list, int column) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// ---- tooltips
// -----------------------------------------------------------------

namespace {

struct TipSearch {
  DWORD pid;
  std::vector<HWND> tips;
};

BOOL CALLBACK FindTipsProc(HWND hwnd, LPARAM param) {
  auto* f = reinterpret_cast<TipSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == f->pid && ClassName(hwnd) == TOOLTIPS_CLASSW) {
    f->tips.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

std::vector<ToolText> TooltipTexts(DWORD pid) {
  TipSearch found{pid, {}};
  EnumWindows(FindTipsProc, reinterpret_cast<LPARAM>(&found));
  std::vector<ToolText> result;
  for (HWND tip : found.tips) {
    UniqueHandle process = OpenWindowProcess(tip);
    RemoteBuffer remote(process.get(),
                        sizeof(TTTOOLINFOW) + kTextChars * sizeof(wchar_t));
    int count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = sizeof(info);
      info.lpszText = remote.at<wchar_t>(sizeof(TTTOOLINFOW));
      wchar_t nothing = L'\0';
      remote.Write(sizeof(TTTOOLINFOW), &nothing, sizeof(nothing));
      remote.Write(0, &info, sizeof(info));
      if (!SendMessageW(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(remote.address()))) {
        continue;
      }
      remote.Read(0, &info, sizeof(info));
      std::wstring text = remote.ReadText(sizeof(TTTOOLINFOW), kTextChars);
      if (text.empty()) {
        // Ask again by identity; some tools keep their text elsewhere.
        info.lpszText = remote.at<wchar_t>(sizeof(TTTOOLINFOW));
        remote.Write(0, &info, sizeof(info));
        SendMessageW(tip, TTM_GETTEXTW, kTextChars,
                     reinterpret_cast<LPARAM>(remote.address()));
        text = remote.ReadText(sizeof(TTTOOLINFOW), kTextChars);
      }
      HWND tool = (info.uFlags & TTF_IDISHWND)
                      ? reinterpret_cast<HWND>(info.uId)
                      : info.hwnd;
      result.push_back(ToolText{tip, tool, text});
    }
  }
  return result;
}

// ---- message boxes
// ------------------------------------------------------------

namespace {

BOOL CALLBACK FindBoxProc(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32770") {
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

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
  WaitFor(
      [&] {
        box = FindMessageBox(thread_id);
        return box.has_value();
      },
      timeout_ms);
  return box;
}

void AnswerMessageBox(HWND box, int id) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

// ---- keys
// ---------------------------------------------------------------------

void PostKey(HWND target, UINT vk) {
  UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
  LPARAM down = 1 | static_cast<LPARAM>(scan << 16);
  LPARAM up = down | (1L << 30) | static_cast<LPARAM>(1UL << 31);
  PostMessageW(target, WM_KEYDOWN, vk, down);
  PostMessageW(target, WM_KEYUP, vk, up);
}

bool SendChord(const App& app, std::initializer_list<WORD> keys) {
  // Real input goes to whichever window is in front once the X server has
  // moved the focus, which may come a little after the call.
  SetForegroundWindow(app.Main());
  if (!WaitFor([&] { return GetForegroundWindow() == app.Main(); })) {
    return false;
  }
  std::vector<INPUT> inputs;
  for (WORD vk : keys) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    inputs.push_back(in);
  }
  for (auto it = keys.end(); it != keys.begin();) {
    --it;
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = *it;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(*it, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(in);
  }
  // Under Wine the input is refused (none of it taken) for a moment after
  // the focus moved; it is then offered again.
  UINT sent = 0;
  WaitFor([&] {
    sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(),
                     sizeof(INPUT));
    return sent != 0;
  });
  return sent == inputs.size() && Sync(app.Main());
}

// ---- registry --------------------------------------------------------------

RegistrySeeder::~RegistrySeeder() { Restore(); }

bool RegistrySeeder::KeyExists(View view, const std::wstring& key) {
  Key k;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                       KEY_READ | ViewFlag(view), k.out()) == ERROR_SUCCESS;
}

bool RegistrySeeder::Ensure(View view, const std::wstring& key) {
  // Remember the outermost key that this call creates, to delete it later.
  std::wstring outer;
  std::wstring prefix;
  size_t start = 0;
  while (start <= key.size()) {
    size_t slash = key.find(L'\\', start);
    if (slash == std::wstring::npos) slash = key.size();
    prefix = key.substr(0, slash);
    if (!KeyExists(view, prefix)) {
      outer = prefix;
      break;
    }
    start = slash + 1;
  }
  Key k;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                      KEY_WRITE | ViewFlag(view), nullptr, k.out(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (!outer.empty()) created_.push_back({view, outer});
  return true;
}

bool RegistrySeeder::CreateKey(View view, const std::wstring& key) {
  return Ensure(view, key);
}

bool RegistrySeeder::SetRaw(View view, const std::wstring& key,
                            const std::wstring& name, DWORD type,
                            const std::vector<BYTE>& bytes) {
  bool fresh = !KeyExists(view, key);
  if (!Ensure(view, key)) return false;
  if (!fresh) changed_.push_back({view, key, name, Read(view, key, name)});
  Key k;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                    KEY_SET_VALUE | ViewFlag(view), k.out()) != ERROR_SUCCESS) {
    return false;
  }
  // A non-NUL guard after the data stops the registry from adding a NUL of
  // its own to string types.
  std::vector<BYTE> data = bytes;
  data.push_back(0xFF);
  data.push_back(0xFF);
  return RegSetValueExW(k.get(), name.c_str(), 0, type, data.data(),
                        static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

namespace {

std::vector<BYTE> Bytes(const std::wstring& text) {
  const auto* p = reinterpret_cast<const BYTE*>(text.data());
  return std::vector<BYTE>(p, p + text.size() * sizeof(wchar_t));
}

}  // namespace

bool RegistrySeeder::SetString(View view, const std::wstring& key,
                               const std::wstring& name,
                               const std::wstring& value) {
  return SetRaw(view, key, name, REG_SZ, Bytes(value + L'\0'));
}

bool RegistrySeeder::SetMultiString(View view, const std::wstring& key,
                                    const std::wstring& name,
                                    const std::vector<std::wstring>& items) {
  std::wstring joined;
  for (const auto& item : items) joined += item + L'\0';
  joined += L'\0';
  return SetRaw(view, key, name, REG_MULTI_SZ, Bytes(joined));
}

bool RegistrySeeder::SetDword(View view, const std::wstring& key,
                              const std::wstring& name, DWORD value) {
  const auto* p = reinterpret_cast<const BYTE*>(&value);
  return SetRaw(view, key, name, REG_DWORD,
                std::vector<BYTE>(p, p + sizeof(value)));
}

bool RegistrySeeder::RegisterInprocServer(const std::wstring& clsid,
                                          const std::wstring& dll_path,
                                          const std::wstring& threading) {
  const std::wstring key =
      L"SOFTWARE\\Classes\\CLSID\\" + clsid + L"\\InprocServer32";
  return SetString(View::k32, key, L"", dll_path) &&
         SetString(View::k32, key, L"ThreadingModel", threading);
}

std::optional<std::pair<DWORD, std::vector<BYTE>>> RegistrySeeder::Read(
    View view, const std::wstring& key, const std::wstring& name) {
  Key k;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0,
                    KEY_QUERY_VALUE | ViewFlag(view),
                    k.out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size);
  if (RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, data.data(),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  data.resize(size);
  return std::make_pair(type, data);
}

void RegistrySeeder::Restore() {
  for (auto it = changed_.rbegin(); it != changed_.rend(); ++it) {
    Key k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, it->key.c_str(), 0,
                      KEY_SET_VALUE | ViewFlag(it->view),
                      k.out()) != ERROR_SUCCESS) {
      continue;
    }
    if (it->old) {
      RegSetValueExW(k.get(), it->name.c_str(), 0, it->old->first,
                     it->old->second.data(),
                     static_cast<DWORD>(it->old->second.size()));
    } else {
      RegDeleteValueW(k.get(), it->name.c_str());
    }
  }
  changed_.clear();
  for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
    auto [parent, leaf] = SplitParent(it->path);
    Key k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0,
                      KEY_ALL_ACCESS | ViewFlag(it->view),
                      k.out()) == ERROR_SUCCESS) {
      RegDeleteTreeW(k.get(), leaf.c_str());
      RegDeleteKeyExW(k.get(), leaf.c_str(), ViewFlag(it->view), 0);
    }
  }
  created_.clear();
}

// ---- executable files
// ----------------------------------------------------------

std::optional<VersionInfo> ReadVersionInfo(const std::wstring& exe) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) {
    return std::nullopt;
  }
  VersionInfo info;
  void* p = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", &p, &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    std::memcpy(&info.fixed, p, sizeof(VS_FIXEDFILEINFO));
  }
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &p, &length)) {
    const auto* words = static_cast<const WORD*>(p);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
      info.translations.emplace_back(words[i], words[i + 1]);
    }
  }
  if (info.translations.empty()) return info;
  wchar_t block[16];
  swprintf(block, 16, L"%04X%04X", info.translations[0].first,
           info.translations[0].second);
  info.block = block;
  for (const wchar_t* name :
       {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
        L"LegalCopyright", L"OriginalFilename", L"ProductName",
        L"ProductVersion", L"Comments"}) {
    std::wstring query = L"\\StringFileInfo\\" + info.block + L"\\" + name;
    if (VerQueryValueW(data.data(), query.c_str(), &p, &length)) {
      info.strings[name] =
          std::wstring(static_cast<const wchar_t*>(p),
                       wcsnlen(static_cast<const wchar_t*>(p), length));
    }
  }
  return info;
}

namespace {

class DataModule {
 public:
  explicit DataModule(const std::wstring& path)
      : h_(LoadLibraryExW(
            path.c_str(), nullptr,
            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
  ~DataModule() {
    if (h_) FreeLibrary(h_);
  }
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;
  HMODULE get() const { return h_; }

 private:
  HMODULE h_;
};

}  // namespace

std::optional<std::string> ReadResource(const std::wstring& exe, LPCWSTR type,
                                        LPCWSTR name) {
  DataModule module(exe);
  if (!module.get()) return std::nullopt;
  HRSRC found = FindResourceW(module.get(), name, type);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(module.get(), found);
  DWORD size = SizeofResource(module.get(), found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return std::string(static_cast<const char*>(bytes), size);
}

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language,
                              LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

}  // namespace

std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type,
                                    LPCWSTR name) {
  std::vector<WORD> languages;
  DataModule module(exe);
  if (!module.get()) return languages;
  EnumResourceLanguagesW(module.get(), type, name, CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

std::optional<std::string> XmlAttribute(const std::string& xml,
                                        const std::string& element,
                                        const std::string& attribute) {
  size_t pos = 0;
  while ((pos = xml.find('<', pos)) != std::string::npos) {
    size_t name_start = pos + 1;
    size_t name_end = xml.find_first_of(" \t\r\n/>", name_start);
    if (name_end == std::string::npos) return std::nullopt;
    std::string name = xml.substr(name_start, name_end - name_start);
    size_t colon = name.find(':');
    if (colon != std::string::npos) name = name.substr(colon + 1);
    size_t tag_end = xml.find('>', name_end);
    if (tag_end == std::string::npos) return std::nullopt;
    if (name == element) {
      std::string tag = xml.substr(name_end, tag_end - name_end);
      size_t a = 0;
      while ((a = tag.find(attribute, a)) != std::string::npos) {
        bool starts =
            a > 0 && std::isspace(static_cast<unsigned char>(tag[a - 1]));
        size_t eq = tag.find_first_not_of(" \t\r\n", a + attribute.size());
        if (starts && eq != std::string::npos && tag[eq] == '=') {
          size_t quote = tag.find_first_of("\"'", eq + 1);
          if (quote == std::string::npos) return std::nullopt;
          size_t close = tag.find(tag[quote], quote + 1);
          if (close == std::string::npos) return std::nullopt;
          return tag.substr(quote + 1, close - quote - 1);
        }
        a += attribute.size();
      }
      return std::nullopt;
    }
    pos = tag_end;
  }
  return std::nullopt;
}

// ---- pictures
// -------------------------------------------------------------------

std::vector<uint8_t> PaintedPixels(int width, int height,
                                   const std::function<void(HDC)>& paint) {
  if (width <= 0 || height <= 0) return {};
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib =
      CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint8_t> rgb;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    paint(memory);
    GdiFlush();
    const auto* px = static_cast<const uint8_t*>(bits);
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    rgb.resize(count * 3);
    for (size_t i = 0; i < count; ++i) {
      rgb[i * 3] = px[i * 4 + 2];
      rgb[i * 3 + 1] = px[i * 4 + 1];
      rgb[i * 3 + 2] = px[i * 4];
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  return rgb;
}

std::vector<uint8_t> CaptureClient(HWND hwnd, int& width, int& height) {
  const SIZE size = ClientSize(hwnd);
  width = size.cx;
  height = size.cy;
  HDC source = GetDC(hwnd);
  std::vector<uint8_t> rgb = PaintedPixels(width, height, [&](HDC memory) {
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  });
  ReleaseDC(hwnd, source);
  return rgb;
}

namespace {

// COM on this thread for as long as it lives; a thread already in the other
// apartment model keeps it and may use COM all the same.
// 24-bit BGR rows, top-down: what WIC's PNG encoder takes as it is.
HRESULT WritePng(const std::wstring& path, UINT width, UINT height,
                 std::vector<uint8_t>& bgr) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  const UINT stride = width * 3;
  HRESULT hr =
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                       IID_IWICImagingFactory, &factory);
  if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr))
    hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(hr))
    hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr))
    hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
  // The encoder may answer with a format of its own choosing instead.
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  }
  if (SUCCEEDED(hr)) {
    hr = frame->WritePixels(height, stride, static_cast<UINT>(bgr.size()),
                            bgr.data());
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

}  // namespace

bool SaveClientPng(HWND hwnd, const std::wstring& path) {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels = CaptureClient(hwnd, width, height);
  if (pixels.empty()) return false;
  for (size_t i = 0; i < pixels.size(); i += 3) {
    std::swap(pixels[i], pixels[i + 2]);  // RGB to BGR
  }
  const quorvel::com::Apartment com;
  const HRESULT hr = WritePng(path, static_cast<UINT>(width),
                              static_cast<UINT>(height), pixels);
  if (FAILED(hr)) DeleteFileW(path.c_str());
  return SUCCEEDED(hr);
}

}  // namespace e2e
