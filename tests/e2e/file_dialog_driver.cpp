#include "tests/e2e/file_dialog_driver.h"

// The dialog ids need the base types from windows.h, included above.
#include <dlgs.h>

#include <functional>
#include <utility>

#include "tests/e2e/controls.h"
#include "tests/e2e/listview.h"
#include "tests/e2e/process.h"

namespace e2e {
namespace {

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM found) {
  if (ClassName(hwnd) != L"#32770" || !Visible(hwnd) ||
      WindowText(hwnd) != FileDialog::kTitle) {
    return TRUE;
  }
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

struct Search {
  std::function<bool(HWND)> matches;
  HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!search->matches(child)) return TRUE;
  search->found = child;
  return FALSE;
}

// The first window under `parent`, at any depth, that `matches`.
HWND Descendant(HWND parent, std::function<bool(HWND)> matches) {
  Search search{std::move(matches)};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND DescendantWithId(HWND parent, int id) {
  return Descendant(parent,
                    [&](HWND child) { return GetDlgCtrlID(child) == id; });
}

HWND DescendantOfClass(HWND parent, const wchar_t* name) {
  return Descendant(parent,
                    [&](HWND child) { return ClassName(child) == name; });
}

}  // namespace

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::optional<FileDialog> FileDialog::Find(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&found));
  if (found == nullptr) return std::nullopt;
  return FileDialog(found);
}

std::optional<FileDialog> FileDialog::Wait(DWORD thread, int timeout_ms) {
  std::optional<FileDialog> dialog;
  WaitFor([&] { return (dialog = Find(thread)).has_value(); }, timeout_ms);
  return dialog;
}

// On Windows a combo (cmb13, a ComboBoxEx32 or ComboBox somewhere in the
// dialog) holding the edit; under Wine the edit itself (edt1).
HWND FileDialog::NameBox() const {
  HWND combo = DescendantWithId(hwnd_, cmb13);
  if (combo != nullptr) return DescendantOfClass(combo, L"Edit");
  return DescendantWithId(hwnd_, edt1);
}

HWND FileDialog::FileList() const {
  HWND view = DescendantOfClass(hwnd_, L"SHELLDLL_DefView");
  return view != nullptr ? DescendantOfClass(view, L"SysListView32") : nullptr;
}

bool FileDialog::Type(const std::wstring& text) const {
  HWND box = NameBox();
  if (box == nullptr) return false;
  SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return true;
}

void FileDialog::Press(int id) const {
  PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
}

bool FileDialog::Confirm(const std::wstring& text) const {
  if (!Type(text)) return false;
  Press(IDOK);
  return true;
}

bool FileDialog::Submit(const std::wstring& text, int timeout_ms) const {
  if (!Type(text)) return false;
  // Sent, not posted: the dialog has acted on it when the call returns.
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(hwnd_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, IDOK)),
                             SMTO_NORMAL, static_cast<UINT>(timeout_ms),
                             &result) != 0;
}

bool FileDialog::Open(const std::wstring& folder, int timeout_ms) const {
  return Submit(folder, timeout_ms) &&
         WaitFor([&] { return InFolder(folder); }, timeout_ms);
}

// The list shows names as they are on disk (Wine shows every extension).
// The first few names tell the folder: a folder of thousands of files is
// not read through item by item on every look.
bool FileDialog::InFolder(const std::wstring& folder) const {
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

bool FileDialog::Browse(const std::wstring& shown_name, int timeout_ms) const {
  const HWND list = FileList();
  int item = 0;
  while (item < ListRowCount(list) && ListCell(list, item, 0) != shown_name) {
    ++item;
  }
  if (list == nullptr || item == ListRowCount(list)) return false;
  const std::wstring first = ListCell(list, 0, 0);
  RECT place{LVIR_BOUNDS, 0, 0, 0};
  SendRemote(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), place);
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

bool FileDialog::WaitClosed(int timeout_ms) const {
  return WaitFor([&] { return !IsOpen(); }, timeout_ms);
}

}  // namespace e2e
