// End-to-end harness: drives Quorvel.exe from another process under Wine.
//
// Process
//   App app = App::Start();          starts Quorvel.exe, waits for input idle
//                                    and for its main window; ends it on
//                                    destruction (TerminateProcess).
//   app.Main(), app.Control(id)      main window, child by control id
//   app.ThreadId(), app.Process()    GUI thread, process handle
//   WaitFor(cond, ms)                bounded polling, true once cond() holds
//   Sync(hwnd)                       round trip through the target's queue
//
// Reading windows (all work cross-process)
//   WindowText, ClassName, Enabled, Visible, Style, ClientSize
//   PlaceInParent(child)             rect in the parent's client coordinates
//   WindowDpi(hwnd), TwipsToPixels   geometry expectations at the real DPI
//   ComboItems, ComboSelection, ChooseComboItem (CB_SETCURSEL + CBN_SELCHANGE)
//   ListRowCount, ListCell, ListFocusedRow, ListSelectedRows, SetListCurrent
//   HeaderTexts, ColumnWidth
//   TooltipTexts(pid)                text of every tool of the process
//   FocusedWindow(thread)
//
// Message boxes
//   FindMessageBox(thread) / WaitMessageBox(thread, ms) -> MessageBoxInfo
//                                    (caption, text, buttons, icon, default)
//   AnswerMessageBox(box, IDOK / IDYES / IDNO)
//
// Open-file dialog (file_dialog_driver.h)
//   FileDialog::Wait(thread)         the visible "Seleccionar ficheros" dialog
//   Type, Confirm, Submit, Press(IDOK / IDCANCEL), Open(folder), WaitClosed
//
// Keys (under Wine on a bare Xvfb both work; pick by what the key needs)
//   PostKey(hwnd, vk)                WM_KEYDOWN/WM_KEYUP posted to one window;
//                                    the program's dialog navigation sees
//                                    them (Tab, Enter, Esc, Space, Delete)
//   SendChord(app, {VK_SHIFT, VK_TAB}) real input (SendInput) to the
//                                    foreground window: GetKeyState there
//                                    sees the modifiers (Shift+Tab, Ctrl+Del)
//
// Registry (HKEY_LOCAL_MACHINE, either view; everything is undone on
// destruction, so a test leaves the prefix as it found it)
//   RegistrySeeder reg;
//   reg.SetMultiString(View::k64, L"SOFTWARE\\...", L"Name", {L"A", L"B"});
//   reg.SetRaw(View::k32, key, name, REG_SZ, bytes)   exact bytes, no NUL added
//   reg.RegisterInprocServer(L"{clsid}", dll_windows_path)  32-bit HKCR\CLSID
//
// Executable files
//   ReadVersionInfo(path), ReadResource(path, type, id), ResourceLanguages
//
// Pictures
//   CaptureClient(hwnd, w, h)        client area pixels
//   PaintedPixels(w, h, paint)       pixels of what paint draws (to compare)
//   SaveClientPng(hwnd, path)        client area as a PNG, encoded by WIC
//
// Paths
//   QuorvelExe(), OutputDir(), ToWindowsPath(unix_or_windows_path)
//   ($QUORVEL_EXE and $QUORVEL_E2E_OUT override the build's paths.)
//
// Platform
//   RunningOnWine()                  for differences asserted on each side
//
// Running: every *_test.cpp in this folder joins quorvel_e2e_tests.exe, and
// each test suite becomes one ctest test (e2e.<Suite>) that runs the driver
// under tools/e2e-run.sh in a fresh copy of the cached Wine prefix, on its
// own Xvfb. The tests of one suite share that prefix, so a test leaves the
// registry as it found it (RegistrySeeder) and its program ended (App).
#pragma once

#include "common/win32/windows_api.h"
// The common controls header needs the base types above.
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// ---- paths -----------------------------------------------------------------

// "/a/b" becomes "Z:\a\b" (Wine's drive for the host root); others unchanged.
std::wstring ToWindowsPath(const std::wstring& path);
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& text);
// Quorvel.exe: $QUORVEL_EXE if set, else the build's own.
std::wstring QuorvelExe();
// Where pictures and other artefacts go: $QUORVEL_E2E_OUT or the build folder.
std::wstring OutputDir();

// ---- platform --------------------------------------------------------------

// True under Wine (its ntdll exports wine_get_version), false on Windows:
// for the few places where the two differ and a test asserts each.
bool RunningOnWine();

// ---- waiting ---------------------------------------------------------------

// Polls cond every few milliseconds until it holds or the time is up.
bool WaitFor(const std::function<bool()>& cond, int timeout_ms = 5000);
// Returns once the window's thread has handled everything queued before.
bool Sync(HWND hwnd, int timeout_ms = 5000);

// ---- handles ---------------------------------------------------------------

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle();
  HANDLE get() const { return h_; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  explicit operator bool() const {
    return h_ != nullptr && h_ != INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_ = nullptr;
};

// ---- the program under test ------------------------------------------------

class App {
 public:
  // Starts the program and waits (bounded) for its main window to exist.
  // The main window may still be hidden while a start-up message box waits.
  static App Start(const std::wstring& exe = QuorvelExe(),
                   const std::wstring& arguments = L"", int timeout_ms = 15000);
  App(App&&) = default;
  App& operator=(App&&) = default;
  ~App();

  HWND Main() const { return main_; }
  HWND Control(int id) const { return GetDlgItem(main_, id); }
  DWORD ProcessId() const { return pid_; }
  DWORD ThreadId() const { return tid_; }
  HANDLE Process() const { return process_.get(); }
  bool Running() const;
  // Waits for the process to end by itself; its exit code, if it ended.
  std::optional<DWORD> WaitExit(int timeout_ms);
  void Kill();
  // Waits until the main window is visible (after the load sequence).
  bool WaitShown(int timeout_ms = 10000) const;

 private:
  App() = default;
  UniqueHandle process_;
  DWORD pid_ = 0;
  DWORD tid_ = 0;
  HWND main_ = nullptr;
};

// Top-level window of the process by class or title prefix.
HWND FindMainWindow(DWORD pid, const std::wstring& class_name,
                    const std::wstring& title_prefix);

// ---- plain window queries ---------------------------------------------------

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
bool Enabled(HWND hwnd);
bool Visible(HWND hwnd);
LONG Style(HWND hwnd);
SIZE ClientSize(HWND hwnd);
// The child's window rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND child);
int WindowDpi(HWND hwnd, bool vertical = false);
// Rounded to the nearest pixel, as MulDiv does.
int TwipsToPixels(int twips, int dpi);
HWND FocusedWindow(DWORD thread_id);

// ---- combo box
// ---------------------------------------------------------------

std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);
// What a user's choice does: select, then tell the parent.
void ChooseComboItem(HWND combo, int index);

// ---- list view (report view), cross-process
// ------------------------------------

// Memory inside another process, freed on destruction.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  void* address() const { return address_; }
  template <class T>
  T* at(size_t offset) const {
    return reinterpret_cast<T*>(static_cast<char*>(address_) + offset);
  }
  bool Write(size_t offset, const void* data, size_t size);
  bool Read(size_t offset, void* data, size_t size) const;
  std::wstring ReadText(size_t offset, size_t max_chars) const;

 private:
  HANDLE process_;
  UniqueHandle owned_;
  void* address_ = nullptr;
};

int ListRowCount(HWND list);
std::wstring ListCell(HWND list, int item, int column);
int ListFocusedRow(HWND list);  // -1 when none
std::vector<int> ListSelectedRows(HWND list);
// Focuses and selects one item only, as a click on it would.
bool SetListCurrent(HWND list, int item);
std::vector<std::wstring> HeaderTexts(HWND list);
int ColumnWidth(HWND list, int column);

// ---- tooltips
// -----------------------------------------------------------------

struct ToolText {
  HWND tooltip;
  HWND tool_window;  // uId when the tool is a window (TTF_IDISHWND)
  std::wstring text;
};
std::vector<ToolText> TooltipTexts(DWORD pid);

// ---- message boxes
// ------------------------------------------------------------

struct MessageBoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  std::vector<std::pair<int, std::wstring>> buttons;  // id, caption
  bool has_icon = false;
  HWND icon_window = nullptr;  // the static (SS_ICON) showing the icon
  int default_id = 0;          // DM_GETDEFID; 0 when the box has none
};
std::optional<MessageBoxInfo> FindMessageBox(DWORD thread_id);
std::optional<MessageBoxInfo> WaitMessageBox(DWORD thread_id,
                                             int timeout_ms = 5000);
void AnswerMessageBox(HWND box, int id);

// ---- keys
// ---------------------------------------------------------------------

void PostKey(HWND target, UINT vk);
// Presses the keys in order and releases them in reverse, as real input to
// the app's foreground window; modifiers show in GetKeyState there.
bool SendChord(const App& app, std::initializer_list<WORD> keys);

// ---- registry --------------------------------------------------------------

enum class View { k32, k64 };

class RegistrySeeder {
 public:
  RegistrySeeder() = default;
  RegistrySeeder(const RegistrySeeder&) = delete;
  RegistrySeeder& operator=(const RegistrySeeder&) = delete;
  ~RegistrySeeder();

  bool SetString(View view, const std::wstring& key, const std::wstring& name,
                 const std::wstring& value);
  bool SetMultiString(View view, const std::wstring& key,
                      const std::wstring& name,
                      const std::vector<std::wstring>& items);
  bool SetDword(View view, const std::wstring& key, const std::wstring& name,
                DWORD value);
  // Stores exactly these bytes (a string without its NUL stays so).
  bool SetRaw(View view, const std::wstring& key, const std::wstring& name,
              DWORD type, const std::vector<BYTE>& bytes);
  // Creates the key (and its parents) with no value.
  bool CreateKey(View view, const std::wstring& key);
  // An in-process COM server in the 32-bit HKCR\CLSID, as a 32-bit program
  // looks it up.
  bool RegisterInprocServer(const std::wstring& clsid,
                            const std::wstring& dll_path,
                            const std::wstring& threading = L"Apartment");
  // Undoes everything now (also done on destruction).
  void Restore();

  // Reads back (type, bytes) of a value, for checks.
  static std::optional<std::pair<DWORD, std::vector<BYTE>>> Read(
      View view, const std::wstring& key, const std::wstring& name);
  static bool KeyExists(View view, const std::wstring& key);

 private:
  struct CreatedKey {
    View view;
    std::wstring path;
  };
  struct OldValue {
    View view;
    std::wstring key, name;
    std::optional<std::pair<DWORD, std::vector<BYTE>>> old;
  };
  bool Ensure(View view, const std::wstring& key);
  std::vector<CreatedKey> created_;
  std::vector<OldValue> changed_;
};

// ---- executable files
// ----------------------------------------------------------

struct VersionInfo {
  VS_FIXEDFILEINFO fixed{};
  std::vector<std::pair<WORD, WORD>> translations;  // language, code page
  // String entries of the first translation's block.
  std::map<std::wstring, std::wstring> strings;
  std::wstring block;  // e.g. "0C0A04B0"
};
std::optional<VersionInfo> ReadVersionInfo(const std::wstring& exe);
std::optional<std::string> ReadResource(const std::wstring& exe, LPCWSTR type,
                                        LPCWSTR name);
std::vector<WORD> ResourceLanguages(const std::wstring& exe, LPCWSTR type,
                                    LPCWSTR name);
// Value of attribute in the first element with that local name; no XML
// library: enough for a manifest.
std::optional<std::string> XmlAttribute(const std::string& xml,
                                        const std::string& element,
                                        const std::string& attribute);

// ---- pictures
// -------------------------------------------------------------------

// What `paint` draws on a memory DC of that size, as pixels (rgb, rows top
// to bottom); empty when no picture could be made.
std::vector<uint8_t> PaintedPixels(int width, int height,
                                   const std::function<void(HDC)>& paint);
// Client area pixels (rgb, top-down), or empty.
std::vector<uint8_t> CaptureClient(HWND hwnd, int& width, int& height);
// The client area as a PNG file through the system's own encoder (WIC);
// false, and no file, when it could not be written.
bool SaveClientPng(HWND hwnd, const std::wstring& path);

}  // namespace e2e
