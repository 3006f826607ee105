// The open-file dialog Quorvel shows (the common item dialog), worked the way
// a user would: found among the windows of the thread that shows it, names
// typed into its file-name box, folders browsed to, OK or Cancel pressed.
// Works from another process and from a second thread of the process that
// shows it.
#pragma once

#include "common/win32/windows_api.h"
// The dialog ids need the base types from windows.h, included above.
#include <dlgs.h>

#include <optional>
#include <string>

#include "tests/e2e/controls.h"
#include "tests/e2e/process.h"

namespace e2e {

// Equal without regard to case, as Windows compares file names.
inline bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class FileDialog {
 public:
  static constexpr wchar_t kTitle[] = L"Seleccionar ficheros";
  static constexpr int kWaitMs = 30000;

  // The visible dialog of that thread titled kTitle, once it shows.
  static std::optional<FileDialog> Wait(DWORD thread,
                                        int timeout_ms = kWaitMs) {
    const auto is_dialog = [](HWND hwnd) {
      return ClassName(hwnd) == L"#32770" && Visible(hwnd) &&
             WindowText(hwnd) == kTitle;
    };
    HWND found = nullptr;
    WaitFor(
        [&] { return (found = FindTopWindow(is_dialog, thread)) != nullptr; },
        timeout_ms);
    if (found == nullptr) return std::nullopt;
    return FileDialog(found);
  }

  HWND hwnd() const { return hwnd_; }
  // False when the dialog has no file-name box.
  bool Type(const std::wstring& text) const {
    HWND box = NameBox();
    if (box == nullptr) return false;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return true;
  }
  // Posted, not sent: the press may open a box that waits for us.
  void Press(int id) const { PressButton(hwnd_, id); }
  // Types the text and presses OK.
  bool Confirm(const std::wstring& text) const {
    if (!Type(text)) return false;
    Press(IDOK);
    return true;
  }
  // Types the text and presses OK, returning once the dialog has handled
  // the press (it may have closed, browsed, or refused the text).
  bool Submit(const std::wstring& text, int timeout_ms = kWaitMs) const {
    if (!Type(text)) return false;
    // Sent, not posted: the dialog has acted on it when the call returns.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(
               hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDOK)), SMTO_NORMAL,
               static_cast<UINT>(timeout_ms), &result) != 0;
  }
  // Types the folder and confirms, then waits until the dialog is in it.
  bool Open(const std::wstring& folder, int timeout_ms = kWaitMs) const {
    return Submit(folder, timeout_ms) &&
           WaitFor([&] { return InFolder(folder); }, timeout_ms);
  }
  // Opens a place the dialog's list shows ("My Computer", a folder) with a
  // double click, and waits until the list shows what is in it.
  bool Browse(const std::wstring& shown_name, int timeout_ms = kWaitMs) const {
    const HWND list = FileList();
    int item = 0;
    while (item < ListRowCount(list) && ListCell(list, item, 0) != shown_name) {
      ++item;
    }
    if (list == nullptr || item == ListRowCount(list)) return false;
    const std::wstring first = ListCell(list, 0, 0);
    const RECT place = ListItemRect(list, item);
    const LPARAM at = MAKELPARAM((place.left + place.right) / 2,
                                 (place.top + place.bottom) / 2);
    constexpr UINT kDoubleClick[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,
                                     WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    for (const UINT message : kDoubleClick) {
      PostMessageW(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    }
    // Browsing may put a new list in the old one's place.
    return WaitFor(
        [&] {
          const HWND shown = FileList();
          return shown != nullptr && ListRowCount(shown) > 0 &&
                 ListCell(shown, 0, 0) != first;
        },
        timeout_ms);
  }
  // The item dialog does not answer CDM_GETFOLDERPATH: true when its file
  // list shows something and everything it shows is in the folder. The list
  // shows names as they are on disk (Wine shows every extension). The first
  // few names tell the folder: a folder of thousands of files is not read
  // through item by item on every look.
  bool InFolder(const std::wstring& folder) const {
    constexpr int kNamesLookedAt = 8;
    HWND list = FileList();
    const int count = list != nullptr ? ListRowCount(list) : 0;
    for (int item = 0; item < count && item < kNamesLookedAt; ++item) {
      const std::wstring name = ListCell(list, item, 0);
      if (name.empty() || GetFileAttributesW((folder + L"\\" + name).c_str()) ==
                              INVALID_FILE_ATTRIBUTES) {
        return false;
      }
    }
    return count > 0;
  }
  bool IsOpen() const { return IsWindow(hwnd_) != FALSE; }
  bool WaitClosed(int timeout_ms = kWaitMs) const {
    return WaitFor([&] { return !IsOpen(); }, timeout_ms);
  }

 private:
  explicit FileDialog(HWND hwnd) : hwnd_(hwnd) {}
  static HWND WithId(HWND parent, int id) {
    return FindChildWindow(
        parent, [&](HWND child) { return GetDlgCtrlID(child) == id; });
  }
  static HWND OfClass(HWND parent, const wchar_t* name) {
    return FindChildWindow(
        parent, [&](HWND child) { return ClassName(child) == name; });
  }
  // The edit that takes typed names: on Windows inside a combo (cmb13, a
  // ComboBoxEx32 or ComboBox somewhere in the dialog); under Wine the edit
  // itself (edt1).
  HWND NameBox() const {
    HWND combo = WithId(hwnd_, cmb13);
    return combo != nullptr ? OfClass(combo, L"Edit") : WithId(hwnd_, edt1);
  }
  // The shell view's list of the folder's items.
  HWND FileList() const {
    HWND view = OfClass(hwnd_, L"SHELLDLL_DefView");
    return view != nullptr ? OfClass(view, L"SysListView32") : nullptr;
  }
  HWND hwnd_;
};

}  // namespace e2e
